#pragma once

#include "app/ParkedScreens.h"
#include "app/SignInDialog.h"
#include "platform/MdiHost.h"
#include "screens/Navigator.h"

#include <QMainWindow>
#include <map>
#include <memory>
#include <vector>

class AutoBackup;
class CChildFrame;
class FormView;
class KeyIndicators;
class LockScreen;
class QAction;
class QLabel;
class QStackedWidget;
class QToolBar;

// The main window: menu bar of the active screen, toolbar of the main tasks, status bar, and
// the screens' frames, of which the newest open one fills the window. Its openers and
// closers are static: they reach the screens through the application's template list. It is
// the screens' navigator.
class CMainFrame : public QMainWindow, public MdiHost, public Navigator {
public:
    CMainFrame();
    ~CMainFrame() override;

    static void RegisterScreenTemplates();

    // Each opener is false, the user told why, when the screen could not be opened.
    static bool OpenMainMenu();
    static void CloseMainMenu();
    static bool OpenAddNew();
    static bool OpenFindID();
    static void CloseFindID();
    static bool OpenFindName();
    static void CloseFindName();
    static bool OpenViewResults();
    static void CloseViewResults();
    static bool OpenViewRec();
    static void CloseViewRec();
    static bool OpenViewComplaint();
    static void CloseViewComplaint();
    static bool OpenVitalCharts();
    static bool OpenIssuPrescription();
    static bool OpenEditClinicInfo1();

    // Leaves the screen for the main menu; the screen stays when the menu cannot be opened.
    static void ReturnToMainMenu(int fromScreen);

    // The first view of the first open document of that screen, or null.
    static FormView* GetScreenView(int screenIndex);
    template <class View> static View* ScreenView(int screenIndex) {
        return dynamic_cast<View*>(GetScreenView(screenIndex));
    }

    static void reportUnreadableFile(const QString& fileName);

    bool showMainMenu() override;
    bool showPatient(const std::string& id) override;
    bool showNewVisit(const std::string& patient) override;
    bool showVisit(const std::string& patient, const std::string& visit,
                   const ComplaintList& details) override;
    bool showVitalCharts(const std::string& patient) override;
    bool showSearch(const std::string& words) override;
    bool showPatients(PatientNameList& patients) override;
    void leave(FormView& screen) override;

    FormView* activeView() const override;
    QAction* commandAction(int command) const;
    // Runs a command of the menu, toolbar or keyboard: the active screen's handler if it has
    // one, else the application's.
    void routeCommand(int command);

    // After the records in use were chosen, at start-up or in the dialog: names them in the
    // status bar, then offers an empty records file where there is none, or asks for the
    // server's password where it wants one and says once when it was not given; then asks
    // whoever uses records that have users to sign in. False when the user chose not to.
    bool startOnRecords();

    AutoBackup& autoBackup() const { return *backups; }
    LockScreen& lock() const { return *lockScreen; }

    void addFrame(CChildFrame* frame) override;
    void removeFrame(CChildFrame* frame) override;
    void frameTitleChanged(CChildFrame* frame) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    static bool openScreen(int screenIndex, const char* title);
    static void closeScreen(int screenIndex);

    void createToolbar();
    void createStatusBar();
    void createAccelerators();
    QAction* actionFor(int command);
    void activeFrameChanged();
    void rebuildMenu(int menuId);
    void rebuildActiveMenu();
    void updateCommandStates();
    bool appHandles(int command) const;
    bool commandEnabled(int command) const;
    void runAppCommand(int command);
    void showHelp();
    void printSetup();
    void zoom(int command);
    void chooseRecords();
    SignInDialog::Result askWhoIsThere();
    void connectToServer();
    void showWhoIsSignedIn();
    void manageUsers();
    void showAuditTrail();
    void signOut();
    void signInAgain();
    void closeScreensAndSignIn();
    void keepScreensAsideAndSignIn();
    void offerKeptScreens();
    bool screensHoldEntries() const;
    void hideChrome(bool locked);
    bool otherScreensOpen() const;

    QStackedWidget* frames;
    QToolBar* toolbar = nullptr;
    QLabel* recordsPane = nullptr;
    QLabel* userPane = nullptr;
    KeyIndicators* indicators = nullptr;
    std::vector<CChildFrame*> openFrames; // oldest first; the last is active
    std::map<int, QAction*> actions;
    std::unique_ptr<AutoBackup> backups;
    bool serverNotConnected = false; // nobody could sign in: the server was not reached
    LockScreen* lockScreen = nullptr;
    ParkedScreens parked;
};
