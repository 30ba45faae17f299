#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class CMainFrame;
class DocTemplate;

// The application: it registers the main menu screen, makes the main window and opens the
// first screen. It keeps the screens' templates, whose positions are the screen indexes.
class CKLApp {
public:
    CKLApp();
    ~CKLApp();

    // false stops the program.
    bool InitInstance(const QStringList& arguments = {});

    static CKLApp& instance();
    std::vector<std::unique_ptr<DocTemplate>>& templates() { return docTemplates; }
    CMainFrame* mainFrame() const { return frame.get(); }

    // The folder that holds the program, with its trailing slash.
    static QString programDirectory();

private:
    bool openFirstScreen(const QStringList& arguments);

    std::vector<std::unique_ptr<DocTemplate>> docTemplates;
    std::unique_ptr<CMainFrame> frame;
};
