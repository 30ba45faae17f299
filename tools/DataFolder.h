#pragma once

#include <filesystem>

// Where Medora keeps this computer's records file: $MEDORA_DATA_DIR if set, else
// $XDG_DATA_HOME/medora, else ~/.local/share/medora, as the program's launcher has it.
class DataFolder {
public:
    static std::filesystem::path location();
};
