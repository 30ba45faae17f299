#pragma once

#include <filesystem>
#include <functional>
#include <string>

// A made-up clinic kept between benchmark runs under the benchmarks' data folder, in a folder
// of its own named `name`. The first run generates it with `patients` patients and then runs
// `addMore` in that folder; what addMore returns (the ID of a patient added for the benchmark,
// say) is kept with the clinic and returned by every later run. Leaves the current directory
// in the clinic's folder. Throws when the clinic cannot be made.
std::string enterKeptClinic(const std::string& name, int patients,
                            const std::function<std::string()>& addMore = {});

// Reads a file once, so that the system holds it in memory as it holds records in daily use:
// a large clinic's records read from the disk would measure the disk.
void readWhole(const std::filesystem::path& file);
