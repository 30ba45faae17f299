#pragma once

#include "store/FailureKind.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

// One desk of a clinic at work: it finds a patient by number, or adds one, and then does a few
// things for that patient (adds a visit or a history entry, saves changed details as the record
// screen does, looks at the visits, removes a visit it added), now and then removing the
// patient with all the records. Each operation goes to the desk's log with when it started and
// ended, how it ended and what it touched, so that whoever runs several desks at once can check
// the records against what every desk was told.
class DeskMix
{
public:
    using Clock = std::chrono::steady_clock;

    // One logged operation, for `patient`. What `values` hold depends on the operation:
    //   PatientRecord::Add                   first name, telephone
    //   PatientNameList::FetchByID           "found" or "missing"
    //   ComplaintRecord::Add                 the visit's number, its treatment
    //   HistoryEntryRecord::Add              the entry's details
    //   PatientDetails::Fetch                telephone
    //   PatientRecord::UpdateUnlessChanged   telephone as loaded, telephone saved
    //   ComplaintList::Fetch                 how many visits it gave
    //   ComplaintRecord::Delete              the visit's number
    //   PatientRecord::DeleteWithRecords     nothing
    struct Entry
    {
        std::string operation;
        // None when it did what it was asked; a patient looked up and not found is no failure.
        FailureKind failure = FailureKind::None;
        // Microseconds on the steady clock, which every process of the computer shares.
        long long startUs = 0;
        long long endUs = 0;
        std::string patient;
        std::vector<std::string> values;
    };

    // `highestPatient` is the highest patient number in the records when the desk starts.
    DeskMix(int desk, long long highestPatient, std::FILE* log);

    // Works until `end`, then closes the log with its last line.
    void workUntil(Clock::time_point end);

    // Runs `desks` desks, each in a process of its own, all together for `length`; desk n logs
    // to folder/desk-n.log. False unless every desk finished its log.
    static bool runDesks(int desks, std::chrono::milliseconds length, long long highestPatient,
                         const std::string& folder);
    // Every operation the desks of runDesks logged. Throws std::runtime_error when a log is
    // missing or was cut short.
    static std::vector<Entry> readLogs(int desks, const std::string& folder);

private:
    struct Timed
    {
        bool done;
        FailureKind failure;
        long long startUs;
        long long endUs;
    };

    template <typename Operation> Timed timed(Operation&& operation);
    void log(const char* operation, const Timed& timed, const std::string& patient,
             const std::vector<std::string>& values = {});

    // The patient to work on, or empty when none was found or added.
    std::string choosePatient();
    std::string addPatient();
    void workOn(const std::string& patient, Clock::time_point end);
    // Each returns false once the patient turns out to be gone.
    bool addVisit(const std::string& patient, std::vector<std::string>& visits);
    bool addHistory(const std::string& patient);
    bool changeDetails(const std::string& patient);
    bool lookAtVisits(const std::string& patient);
    bool removeVisit(const std::string& patient, std::vector<std::string>& visits);
    void removePatient(const std::string& patient);

    long long draw(long long low, long long high);
    // A text that no other desk and no other operation of this desk writes.
    std::string fresh(const char* what);

    int m_desk;
    long long m_highestPatient;
    std::FILE* m_log;
    std::mt19937_64 m_random;
    long long m_made = 0;
};
