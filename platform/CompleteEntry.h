#pragma once

#include <optional>

class ComboBox;

// Completes the text typed into an editable combo box from the first entry of its list that
// begins with it, letter case ignored, and selects the completed tail so the next key
// replaces it. Run it when the user has changed the box's text.
//
// Returns nothing when autoComplete is false (the user is deleting): the owner keeps what it
// had chosen. Otherwise returns the position of the entry now in the box, or -1.
std::optional<int> CompleteEntry(ComboBox* box, bool autoComplete);
