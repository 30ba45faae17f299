#include "platform/ScriptedResponder.h"

#include "platform/FormTemplate.h"

#include <QWidget>

ScriptedResponder::ScriptedResponder() {
    UiResponder::install(this);
}

ScriptedResponder::~ScriptedResponder() {
    UiResponder::install(nullptr);
}

void ScriptedResponder::expectBox(const BoxRecord& box, int answer) {
    expected.push_back(Box{box, answer});
}

void ScriptedResponder::expectFile(const FileRequest& request, std::optional<std::string> answer) {
    expected.push_back(File{request, std::move(answer)});
}

void ScriptedResponder::expectPrint(std::function<bool(QPrinter&)> setUp) {
    expected.push_back(Print{std::move(setUp), false});
}

void ScriptedResponder::expectPageSetup(std::function<bool(QPrinter&)> setUp) {
    expected.push_back(Print{std::move(setUp), true});
}

namespace {

// The answer that changes nothing, for a box the test did not script.
int refusalOf(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoDefaultNo:
        return IDNO;
    case MsgButtons::YesNoCancel:
        return IDCANCEL;
    case MsgButtons::Ok:
        break;
    }
    return IDOK;
}

} // namespace

template <class T> T* ScriptedResponder::next(const std::string& what) {
    if (expected.empty() || !std::holds_alternative<T>(expected.front())) {
        problems.push_back("unexpected " + what);
        return nullptr;
    }
    return &std::get<T>(expected.front());
}

int ScriptedResponder::messageBox(QWidget* parent, const BoxRecord& box) {
    shown.push_back(box);
    owners.push_back(parent ? parent->window() : nullptr);
    Box* script = next<Box>("message box " + describe(box));
    const int refusal = refusalOf(box.buttons);
    if (!script)
        return refusal;
    int answer = script->answer;
    if (!(script->box == box)) {
        problems.push_back("expected box " + describe(script->box) + ", shown " + describe(box));
        answer = refusal;
    }
    expected.pop_front();
    return answer;
}

std::optional<std::string> ScriptedResponder::fileDialog(QWidget*, const FileRequest& request) {
    File* script = next<File>(request.mode == FileRequest::Folder
                                  ? "folder chooser in \"" + request.initialName + "\""
                                  : "file dialog for \"" + request.filter + "\"");
    if (!script)
        return std::nullopt;
    std::optional<std::string> answer = script->answer;
    if (!(script->request == request)) {
        problems.push_back("file dialog asked differently than expected");
        answer.reset();
    }
    expected.pop_front();
    return answer;
}

bool ScriptedResponder::printDialog(QWidget*, QPrinter& printer) {
    return printerDialog(false, printer);
}

bool ScriptedResponder::pageSetupDialog(QWidget*, QPrinter& printer) {
    return printerDialog(true, printer);
}

bool ScriptedResponder::printerDialog(bool pageSetup, QPrinter& printer) {
    const std::string what = pageSetup ? "page setup dialog" : "print dialog";
    Print* script = next<Print>(what);
    if (!script)
        return false;
    if (script->pageSetup != pageSetup) {
        problems.push_back("expected another dialog than the " + what);
        expected.pop_front();
        return false;
    }
    auto setUp = std::move(script->setUp);
    expected.pop_front();
    return setUp ? setUp(printer) : false;
}

std::vector<std::string> ScriptedResponder::unmet() const {
    std::vector<std::string> waiting;
    for (const Expected& e : expected) {
        if (auto* box = std::get_if<Box>(&e))
            waiting.push_back("expected box never shown: " + describe(box->box));
        else if (std::holds_alternative<File>(e))
            waiting.push_back("expected file dialog never shown");
        else if (std::get<Print>(e).pageSetup)
            waiting.push_back("expected page setup dialog never shown");
        else
            waiting.push_back("expected print dialog never shown");
    }
    return waiting;
}

std::string ScriptedResponder::report() const {
    std::string text;
    for (const std::string& line : problems)
        text += line + "\n";
    for (const std::string& line : unmet())
        text += line + "\n";
    return text;
}
