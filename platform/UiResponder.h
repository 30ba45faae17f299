#pragma once

#include "platform/MessageBox.h"

#include <optional>
#include <string>

class QPrinter;
class QWidget;

// What a file dialog is asked for. A folder is chosen by itself, without suffix or filter.
struct FileRequest {
    enum Mode { Save, Open, Folder } mode = Open;
    std::string defaultSuffix; // added to a name typed without extension
    std::string filter;        // "Medora Backup Files (*.rbk)"
    std::string initialName;   // for a folder, the one the chooser opens in

    bool operator==(const FileRequest&) const = default;
};

// Answers the program's message boxes, file dialogs and print dialogs. The real one shows
// them to the user; a test installs one that answers as scripted.
class UiResponder {
public:
    virtual ~UiResponder() = default;
    virtual int messageBox(QWidget* parent, const BoxRecord& box) = 0;
    // The chosen file or folder, or nothing when the user cancelled.
    virtual std::optional<std::string> fileDialog(QWidget* parent, const FileRequest& request) = 0;
    // Lets the user choose and set up the printer; false when the user cancelled.
    virtual bool printDialog(QWidget* parent, QPrinter& printer) = 0;
    // Lets the user set up the page and printer without printing; false when cancelled.
    virtual bool pageSetupDialog(QWidget* parent, QPrinter& printer) = 0;

    // The responder in force: the installed one, else the one that shows real dialogs.
    static UiResponder& current();
    // Installs a responder (null puts the real dialogs back).
    static void install(UiResponder* responder);
};
