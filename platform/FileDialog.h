#pragma once

#include "platform/UiResponder.h"

// The save and open file dialogs and the folder chooser. The process's current directory
// stays as it was.
class FileDialog {
public:
    static std::optional<std::string> choose(QWidget* parent, const FileRequest& request) {
        return UiResponder::current().fileDialog(parent, request);
    }
};
