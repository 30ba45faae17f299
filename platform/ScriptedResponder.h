#pragma once

#include "platform/UiResponder.h"

#include <deque>
#include <functional>
#include <string>
#include <variant>
#include <vector>

// For tests: answers each box and dialog as the test scripted, in order, and records every
// one shown. Whatever was not expected, or differs from what was expected, is a failure the
// test reads from failures(); it is answered with No, Cancel or OK so nothing hangs.
class ScriptedResponder : public UiResponder {
public:
    ScriptedResponder();
    ~ScriptedResponder() override;

    void expectBox(const BoxRecord& box, int answer = 1);
    void expectFile(const FileRequest& request, std::optional<std::string> answer);
    // setUp may choose the printer (a PDF file, say); returning false cancels the dialog.
    void expectPrint(std::function<bool(QPrinter&)> setUp);
    // The page setup dialog, which never prints; answered as expectPrint's.
    void expectPageSetup(std::function<bool(QPrinter&)> setUp);

    int messageBox(QWidget* parent, const BoxRecord& box) override;
    std::optional<std::string> fileDialog(QWidget* parent, const FileRequest& request) override;
    bool printDialog(QWidget* parent, QPrinter& printer) override;
    bool pageSetupDialog(QWidget* parent, QPrinter& printer) override;

    const std::vector<BoxRecord>& boxes() const { return shown; }
    // The window each box was shown over, in order; null for none.
    const std::vector<QWidget*>& boxOwners() const { return owners; }
    const std::vector<std::string>& failures() const { return problems; }
    // What was expected but never came.
    std::vector<std::string> unmet() const;
    // All failures and unmet expectations in one text; empty when all went as scripted.
    std::string report() const;

private:
    struct Box {
        BoxRecord box;
        int answer;
    };
    struct File {
        FileRequest request;
        std::optional<std::string> answer;
    };
    struct Print {
        std::function<bool(QPrinter&)> setUp;
        bool pageSetup = false;
    };
    using Expected = std::variant<Box, File, Print>;

    template <class T> T* next(const std::string& what);
    bool printerDialog(bool pageSetup, QPrinter& printer);

    std::deque<Expected> expected;
    std::vector<BoxRecord> shown;
    std::vector<QWidget*> owners;
    std::vector<std::string> problems;
};
