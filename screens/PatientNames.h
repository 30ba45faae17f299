#pragma once

#include <string>
#include <vector>

class ComboBox;

// The name boxes that choose a patient by name: filled with every patient in stored order,
// with the patients' numbers alongside.
class PatientNames {
public:
    // Appends "first last" of every patient to the box and their numbers to patientIds;
    // false when the patients cannot be read.
    static bool fill(ComboBox* box, std::vector<std::string>& patientIds);

    // A chosen entry stands only while the box still shows a beginning of it, letter case
    // ignored, so a name pasted or left over after deleting never stands for somebody else.
    static bool stillNamed(const ComboBox* box, int chosen, const std::string& text);
};
