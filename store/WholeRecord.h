#pragma once

#include "store/DateTime.h"
#include "store/PatientDetails.h"

#include <string>
#include <vector>

// Everything stored about one patient, read in one transaction: on either engine one moment's
// record, never sections read apart while another desk edits it. Each list is in the order
// its rows were stored.
class WholeRecord
{
public:
    // A history entry, medication or test is kept with its own number, which stays the same
    // for as long as the row exists.
    struct Entry {
        std::string id;
        std::string text;
        bool operator==(const Entry&) const = default;
    };
    struct Medication {
        std::string id;
        std::string name;
        std::string status;
        bool operator==(const Medication&) const = default;
    };
    struct Test {
        std::string id;
        DateTime date;
        std::string type;
        std::string results;
        bool operator==(const Test&) const = default;
    };
    // The visit's texts are in the order of kVisitFields.
    struct Visit {
        std::string id;
        DateTime date;
        std::vector<std::string> texts;
        bool operator==(const Visit&) const = default;
    };

    // The record of that patient, the age counted to today; false with the members unchanged
    // when no patient has that number. m_patientId is the number in its plain decimal form.
    bool Fetch(const std::string& patientId);
    // As Fetch, the age counted to `now`.
    bool Fetch(const std::string& patientId, DateTime now);

    std::string m_patientId;
    PatientDetails m_details;
    std::vector<Entry> m_allergies;
    std::vector<Entry> m_medical;
    std::vector<Entry> m_surgical;
    std::vector<Entry> m_social;
    std::vector<Entry> m_family;
    std::vector<Medication> m_medications;
    std::vector<Test> m_tests;
    std::vector<Visit> m_visits;
};
