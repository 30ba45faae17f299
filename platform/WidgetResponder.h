#pragma once

#include "platform/UiResponder.h"

// Shows the real Qt dialogs.
class WidgetResponder : public UiResponder {
public:
    int messageBox(QWidget* parent, const BoxRecord& box) override;
    std::optional<std::string> fileDialog(QWidget* parent, const FileRequest& request) override;
    bool printDialog(QWidget* parent, QPrinter& printer) override;
    bool pageSetupDialog(QWidget* parent, QPrinter& printer) override;

private:
    static std::optional<std::string> chooseFolder(QWidget* parent, const FileRequest& request);
};
