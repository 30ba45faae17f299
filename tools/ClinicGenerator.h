#pragma once

#include <string>

// How much a made-up clinic holds. The defaults are a large clinic after many years of use.
struct ClinicSize
{
    int patients = 100000;
    int visits = 1000000;
    int historyEntries = 300000;
    int medications = 200000;
    int tests = 300000;
    int medicationNames = 2000;
    int testTypes = 300;

    // A clinic of that many patients in the proportions of the large one (at least a few
    // dozen names in each list).
    static ClinicSize forPatients(int patients);
};

// Fills the records database at `path`, which must already hold the tables (a copy of the
// supplied empty database), with a made-up clinic: names, addresses, visits with findings,
// history, medications and tests of realistic lengths, each dated between the patient's birth
// and today. The same seed on the same day always makes the same clinic. Returns false,
// leaving the file as it was, on any database failure.
bool generateClinic(const std::string& path, const ClinicSize& size, unsigned seed = 1);
