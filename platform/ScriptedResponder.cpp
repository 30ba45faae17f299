#include "platform/ScriptedResponder.h"

#include "platform/FormTemplate.h"

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
    expected.push_back(Print{std::move(setUp)});
}

template <class T> T* ScriptedResponder::next(const std::string& what) {
    if (expected.empty() || !std::holds_alternative<T>(expected.front())) {
        problems.push_back("unexpected " + what);
        return nullptr;
    }
    return &std::get<T>(expected.front());
}

int ScriptedResponder::messageBox(QWidget*, const BoxRecord& box) {
    shown.push_back(box);
    Box* script = next<Box>("message box " + describe(box));
    const int refusal = box.buttons == MsgButtons::YesNo ? IDNO : IDOK;
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
    File* script = next<File>("file dialog for \"" + request.filter + "\"");
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
    Print* script = next<Print>("print dialog");
    if (!script)
        return false;
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
