#pragma once

#include <filesystem>

// Where Medora keeps this computer's records file: $MEDORA_DATA_DIR if set, else
// $XDG_DATA_HOME/medora, else ~/.local/share/medora, as the program's launcher has it. The
// records and their backups are for the clinic's staff alone, so every folder Medora makes is
// its owner's only.
class DataFolder {
public:
    static std::filesystem::path location();
    // Makes the folder and any missing folder above it, each open to its owner only from the
    // moment it exists; false when one could not be made.
    static bool makePrivate(const std::filesystem::path& folder);
    // Closes the data folder to everyone but its owner when the program runs in it and finds
    // it open to others, as a folder made by hand or by an older launcher may be.
    static void keepPrivate();
};
