#include "platform/MessageBox.h"

#include "platform/UiResponder.h"
#include "platform/WidgetResponder.h"

namespace {

UiResponder* installed = nullptr;

const char* iconName(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return "information";
    case MsgIcon::Question:
        return "question";
    case MsgIcon::Exclamation:
        return "exclamation";
    case MsgIcon::Stop:
        return "stop";
    case MsgIcon::None:
        break;
    }
    return "no icon";
}

const char* buttonsName(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::YesNo:
        return "Yes/No";
    case MsgButtons::YesNoCancel:
        return "Yes/No/Cancel";
    case MsgButtons::YesNoDefaultNo:
        return "Yes/No, No by default";
    case MsgButtons::Ok:
        break;
    }
    return "OK";
}

} // namespace

std::string describe(const BoxRecord& box) {
    return "\"" + box.text + "\" [" + box.caption + ", " + iconName(box.icon) + ", " +
           buttonsName(box.buttons) + "]";
}

UiResponder& UiResponder::current() {
    static WidgetResponder real;
    return installed ? *installed : real;
}

void UiResponder::install(UiResponder* responder) {
    installed = responder;
}

int MessageBox(QWidget* parent, const std::string& text, const std::string& caption,
               MsgIcon icon, MsgButtons buttons) {
    return UiResponder::current().messageBox(parent, BoxRecord{text, caption, icon, buttons});
}
