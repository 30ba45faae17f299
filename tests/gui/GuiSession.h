#pragma once

#include "TestRecords.h"
#include "app/CKLApp.h"
#include "app/CMainFrame.h"
#include "platform/FormView.h"
#include "platform/ScriptedResponder.h"

#include <QAbstractButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <string>

class QDialog;

// One run of the program for a test: fresh empty records (a copy of the empty records file
// in a temporary folder that is the current directory, or their own on the test server),
// the real application and main window, and a scripted responder that answers and records
// every message box.
class GuiSession {
public:
    GuiSession();
    // Starts in a folder without a records database, and without records on a server, after
    // script has set up what the responder is to expect at start-up; it is given the folder.
    explicit GuiSession(std::function<void(ScriptedResponder&, const QString&)> script);
    ~GuiSession();

    CMainFrame& frame() const { return *app->mainFrame(); }
    // Closes the main window as the user does and starts the program again in the same folder,
    // with the same settings; whileClosed runs in between.
    void restart(const std::function<void()>& whileClosed = {});
    // Waits for the automatic backup that runs, and lets the screens show its outcome.
    void waitForBackup();
    ScriptedResponder& boxes() { return responder; }
    QString folder() const { return dir.path(); }

    // Lets deferred work run: screens closed from their own handlers go away here, and what
    // the screens opened is entered in the audit trail.
    static void settle();

    template <class View> View* active() const {
        return dynamic_cast<View*>(app->mainFrame()->activeView());
    }
    FormView* activeView() const { return app->mainFrame()->activeView(); }
    QString activeTitle() const;
    // The entry of the main window's menu bar with that text under that popup, or null.
    QAction* menuEntry(const QString& popup, const QString& text) const;
    // How many screens of that index are open.
    static int openCount(int screenIndex);

    // Clicks the button with that id on a form, as the user would with the mouse.
    static void click(FormBase& form, int buttonId);
    // Gives the control the focus and types the text into it.
    static void type(FormBase& form, int controlId, const QString& text);
    static void key(FormBase& form, int controlId, Qt::Key key, Qt::KeyboardModifiers = {});

    // Runs act on the next modal dialog of type D once it is up (act must close it), while
    // trigger, which opens it, runs. Returns false when no such dialog came up.
    template <class D> static bool withModal(std::function<void()> trigger,
                                             std::function<void(D&)> act) {
        bool seen = false;
        whenModal([&](QWidget* modal) {
            if (auto* dialog = dynamic_cast<D*>(modal)) {
                seen = true;
                act(*dialog);
            }
        });
        trigger();
        return seen;
    }

    // The texts that the scripted responder found wrong; empty when all went as scripted.
    std::string unexpectedBoxes() const { return responder.report(); }

private:
    void start();
    static void whenModal(std::function<void(QWidget*)> act);

    QTemporaryDir dir;
    QString previousDir;
    std::string previousRecords;
    std::unique_ptr<TestRecords> records;
    ScriptedResponder responder;
    std::unique_ptr<CKLApp> app;
};

// Fails the test unless every box shown was scripted and every scripted box was shown.
#define VERIFY_BOXES(session)                                                                 \
    QVERIFY2((session).unexpectedBoxes().empty(), (session).unexpectedBoxes().c_str())
