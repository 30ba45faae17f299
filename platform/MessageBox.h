#pragma once

#include <string>

class QWidget;

enum class MsgIcon { None, Information, Question, Exclamation, Stop };
// YesNoDefaultNo asks a question whose Yes should never be given by a hasty Enter.
enum class MsgButtons { Ok, YesNo, YesNoCancel, YesNoDefaultNo };

constexpr int IDYES = 6;
constexpr int IDNO = 7;

// A box the program shows: what the user reads and may answer.
struct BoxRecord {
    std::string text;
    std::string caption;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;

    bool operator==(const BoxRecord&) const = default;
};

std::string describe(const BoxRecord& box);

// The only way the program shows a message. Returns IDOK, IDYES, IDNO or IDCANCEL.
int MessageBox(QWidget* parent, const std::string& text, const std::string& caption,
               MsgIcon icon, MsgButtons buttons = MsgButtons::Ok);
