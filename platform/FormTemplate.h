#pragma once

#include <initializer_list>
#include <vector>

// A form as data: the controls of a screen or dialog with their ids, positions and sizes in
// dialog units, texts and styles. The builder turns it into widgets.

enum class ControlKind {
    Label,       // static text; names the control given as its buddy
    GroupBox,
    PushButton,
    RadioButton, // automatic radio button; Style::Group starts a new group
    Edit,        // single-line edit
    MultiEdit,   // multi-line edit
    DatePicker,
    ComboEdit,   // drop-down combo box with an editable field
    ComboList,   // drop-down list, not editable
    ListBox,
    ListView,    // report-style list with columns
    Panel,       // an empty area the screen fills with widgets of its own; text names it
};

namespace Style {
enum : unsigned {
    None = 0,
    Disabled = 1u << 0,
    ReadOnly = 1u << 1,
    Digits = 1u << 2,      // edits accept digits only
    Uppercase = 1u << 3,   // all text shown and returned in capitals
    Sorted = 1u << 4,      // combo and list boxes keep their items sorted
    Group = 1u << 5,       // radio button that starts a group
    FitWidth = 1u << 6,    // no horizontal scrolling: typing stops at the visible width
    WantReturn = 1u << 7,  // Enter inserts a line break in a multi-line edit
    NoWrap = 1u << 8,      // multi-line edit lines scroll sideways instead of wrapping
    Default = 1u << 9,     // the default push button (Enter presses it)
    ShowSelAlways = 1u << 10,
    Password = 1u << 11,   // edits show dots in place of what is typed
};
}

// Standard button ids of dialogs.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDC_STATIC = -1;

struct ControlTemplate {
    ControlKind kind;
    int id;
    int x, y, width, height;
    const char* text = "";      // caption, label text or, for a control without label, its name
    unsigned style = Style::None;
    int buddy = IDC_STATIC;     // labels: the control they name
    std::vector<const char*> items = {}; // initial items of combo boxes
};

struct FormTemplate {
    int id;
    int width, height;          // dialog units
    const char* caption;        // dialogs only
    std::vector<ControlTemplate> controls; // in tab order
};
