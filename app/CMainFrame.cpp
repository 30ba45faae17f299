#include "app/CMainFrame.h"

#include "app/AboutDialog.h"
#include "app/AuditTrailDialog.h"
#include "app/DeletedPatientsDialog.h"
#include "app/AutoBackup.h"
#include "app/BackupSettings.h"
#include "app/CKLApp.h"
#include "app/ContextHelp.h"
#include "app/FirstStart.h"
#include "app/KeyIndicators.h"
#include "app/LockScreen.h"
#include "app/MainMenu.h"
#include "app/RecentFileList.h"
#include "app/RecordsDatabaseDialog.h"
#include "app/RecordsSetting.h"
#include "app/RescueRecords.h"
#include "app/ScreenTemplates.h"
#include "app/WindowPlacement.h"
#include "app/Screens.h"
#include "app/SignInDialog.h"
#include "app/UsersDialog.h"
#include "platform/CChildFrame.h"
#include "screens/AccessNote.h"
#include "platform/DocTemplate.h"
#include "platform/Document.h"
#include "platform/FormScale.h"
#include "platform/FormView.h"
#include "platform/MessageBox.h"
#include "platform/PrintDialog.h"
#include "records/AuditTrail.h"
#include "records/ServerLogins.h"
#include "res/Menus.h"
#include "res/resource.h"
#include "screens/RoleRights.h"
#include "screens/ViewComplaint.h"
#include "screens/ViewRec.h"
#include "screens/ViewResults.h"
#include "screens/VitalChartsView.h"
#include "store/Engine.h"
#include "store/FileUsers.h"
#include "store/Session.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPrinter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

namespace {

const char* kReady = "Ready";

// "amina", "amina and ben", "amina, ben and cara".
std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

QString promptOf(int command) {
    return QString::fromUtf8(commandString(command)).section(u'\n', 0, 0);
}

QString tipOf(int command) {
    return QString::fromUtf8(commandString(command)).section(u'\n', 1, 1);
}

// The key after a tab in a menu text is shown beside the entry. The window's accelerators
// do the binding; this one reaches no further than the open menu itself.
void showKeyName(QAction* entry, const QString& keyName) {
    if (keyName.isEmpty())
        return;
    entry->setShortcut(QKeySequence(keyName));
    entry->setShortcutContext(Qt::WidgetShortcut);
}

} // namespace

CMainFrame::CMainFrame()
    : frames(new QStackedWidget(this)),
      backups(std::make_unique<AutoBackup>(
          [] {
              if (auto* menu = ScreenView<MainMenu>(SCREEN_MAIN_MENU))
                  menu->showBackupStatus();
          },
          [this](const FileFailure& damage) { RescueRecords::offer(this, damage); })) {
    setWindowTitle(kAppTitle);
    setWindowIcon(QIcon(":/icons/medora.svg"));
    resize(640, 480);
    setCentralWidget(frames);
    createToolbar();
    createStatusBar();
    createAccelerators();
    rebuildMenu(IDR_MAINFRAME);
    MdiHost::setInstance(this);
    Navigator::setInstance(this);
    new ContextHelp(this);
    lockScreen = new LockScreen(*this, {[](const QString& password) {
                                            return SignInDialog::passwordRight(
                                                password.toStdString());
                                        },
                                        [] { return QApplication::activeModalWidget() != nullptr; },
                                        [this] { keepScreensAsideAndSignIn(); },
                                        [this](bool locked) { hideChrome(locked); }});
}

CMainFrame::~CMainFrame() {
    Navigator::setInstance(nullptr);
    MdiHost::setInstance(nullptr);
}

void CMainFrame::RegisterScreenTemplates() {
    auto& templates = CKLApp::instance().templates();
    if (templates.size() > 1)
        return;
    for (auto& screen : screenTemplates())
        templates.push_back(std::move(screen));
}

void CMainFrame::reportUnreadableFile(const QString& fileName) {
    MessageBox(CKLApp::instance().mainFrame(),
               (fileName + "\nCannot find this file.\nPlease verify that the correct path and "
                           "file name are given.")
                   .toStdString(),
               kAppTitle, MsgIcon::Exclamation);
}

bool CMainFrame::openScreen(int screenIndex, const char* title) {
    auto& templates = CKLApp::instance().templates();
    if (screenIndex >= int(templates.size()))
        return false;
    const QString marker = CKLApp::programDirectory() + "ndoc";
    Document* doc = templates[screenIndex]->OpenDocumentFile(marker);
    if (!doc) {
        reportUnreadableFile("ndoc");
        return false;
    }
    RecentFileList::add(marker);
    doc->setTitle(title);
    return true;
}

void CMainFrame::closeScreen(int screenIndex) {
    auto& templates = CKLApp::instance().templates();
    if (screenIndex < int(templates.size()))
        templates[screenIndex]->CloseAllDocuments();
}

void CMainFrame::ReturnToMainMenu(int fromScreen) {
    if (OpenMainMenu())
        closeScreen(fromScreen);
}

FormView* CMainFrame::GetScreenView(int screenIndex) {
    auto& templates = CKLApp::instance().templates();
    if (screenIndex >= int(templates.size()) || templates[screenIndex]->documents().empty())
        return nullptr;
    return templates[screenIndex]->documents().front()->view();
}

bool CMainFrame::OpenMainMenu() { return openScreen(SCREEN_MAIN_MENU, "Main Menu"); }
void CMainFrame::CloseMainMenu() { closeScreen(SCREEN_MAIN_MENU); }
bool CMainFrame::OpenAddNew() { return openScreen(SCREEN_ADD_NEW, "Add new patient record"); }
bool CMainFrame::OpenFindID() { return openScreen(SCREEN_FIND_ID, "Locate patient by ID"); }
void CMainFrame::CloseFindID() { closeScreen(SCREEN_FIND_ID); }
bool CMainFrame::OpenFindName() { return openScreen(SCREEN_FIND_NAME, "Locate patient by name"); }
void CMainFrame::CloseFindName() { closeScreen(SCREEN_FIND_NAME); }
bool CMainFrame::OpenViewResults() { return openScreen(SCREEN_VIEW_RESULTS, "Search results"); }
void CMainFrame::CloseViewResults() { closeScreen(SCREEN_VIEW_RESULTS); }
bool CMainFrame::OpenViewRec() { return openScreen(SCREEN_VIEW_REC, "Patient medical record"); }
void CMainFrame::CloseViewRec() { closeScreen(SCREEN_VIEW_REC); }
bool CMainFrame::OpenViewComplaint() { return openScreen(SCREEN_VIEW_COMPLAINT, "Patient visit"); }
void CMainFrame::CloseViewComplaint() { closeScreen(SCREEN_VIEW_COMPLAINT); }
bool CMainFrame::OpenIssuPrescription() {
    return openScreen(SCREEN_ISSUE_PRESCRIPTION, "Issue prescription");
}
bool CMainFrame::OpenVitalCharts() {
    return openScreen(SCREEN_VITAL_CHARTS, "Vital signs charts");
}
bool CMainFrame::OpenEditClinicInfo1() {
    return openScreen(SCREEN_EDIT_CLINIC_INFO, "Edit clinic information");
}

bool CMainFrame::showMainMenu() { return OpenMainMenu(); }

bool CMainFrame::showPatient(const std::string& id) {
    if (!OpenViewRec())
        return false;
    if (auto* record = ScreenView<ViewRec>(SCREEN_VIEW_REC))
        record->showPatient(id);
    return true;
}

bool CMainFrame::showNewVisit(const std::string& patient) {
    if (!OpenViewComplaint())
        return false;
    if (auto* visit = ScreenView<ViewComplaint>(SCREEN_VIEW_COMPLAINT))
        visit->showNewVisit(patient);
    return true;
}

bool CMainFrame::showVisit(const std::string& patient, const std::string& visit,
                           const ComplaintList& details) {
    if (!OpenViewComplaint())
        return false;
    if (auto* screen = ScreenView<ViewComplaint>(SCREEN_VIEW_COMPLAINT))
        screen->showVisit(patient, visit, details);
    return true;
}

bool CMainFrame::showVitalCharts(const std::string& patient) {
    if (!OpenVitalCharts())
        return false;
    if (auto* charts = ScreenView<VitalChartsView>(SCREEN_VITAL_CHARTS))
        charts->showPatient(patient);
    return true;
}

bool CMainFrame::showSearch(const std::string& words) {
    if (!OpenViewResults())
        return false;
    if (auto* results = ScreenView<ViewResults>(SCREEN_VIEW_RESULTS))
        results->searchFor(words);
    return true;
}

bool CMainFrame::showPatients(PatientNameList& patients) {
    if (!OpenViewResults())
        return false;
    if (auto* results = ScreenView<ViewResults>(SCREEN_VIEW_RESULTS))
        results->showPatients(patients);
    return true;
}

void CMainFrame::leave(FormView& screen) {
    for (const auto& screenTemplate : CKLApp::instance().templates())
        for (const auto& doc : screenTemplate->documents())
            if (doc->view() == &screen) {
                screenTemplate->CloseAllDocuments();
                return;
            }
}

FormView* CMainFrame::activeView() const {
    return openFrames.empty() ? nullptr : openFrames.back()->view();
}

QAction* CMainFrame::commandAction(int command) const {
    auto found = actions.find(command);
    return found == actions.end() ? nullptr : found->second;
}

void CMainFrame::addFrame(CChildFrame* frame) {
    openFrames.push_back(frame);
    frames->addWidget(frame);
    activeFrameChanged();
}

void CMainFrame::removeFrame(CChildFrame* frame) {
    std::erase(openFrames, frame);
    frames->removeWidget(frame);
    activeFrameChanged();
}

void CMainFrame::frameTitleChanged(CChildFrame* frame) {
    if (!openFrames.empty() && frame == openFrames.back())
        activeFrameChanged();
}

void CMainFrame::activeFrameChanged() {
    if (openFrames.empty()) {
        setWindowTitle(kAppTitle);
        rebuildMenu(IDR_MAINFRAME);
    } else {
        CChildFrame* active = openFrames.back();
        frames->setCurrentWidget(active);
        setWindowTitle(QString(kAppTitle) + " - [" + active->windowTitle() + "]");
        rebuildMenu(active->document().docTemplate().resourceId());
        active->view()->fitToWindow();
        active->view()->focusFirstControl();
    }
    updateCommandStates();
}

QAction* CMainFrame::actionFor(int command) {
    if (QAction* existing = commandAction(command))
        return existing;
    auto* action = new QAction(this);
    action->setStatusTip(promptOf(command));
    action->setToolTip(tipOf(command));
    connect(action, &QAction::triggered, this, [this, command] { routeCommand(command); });
    actions[command] = action;
    return action;
}

void CMainFrame::rebuildMenu(int menuId) {
    // The bar's menus are its children, which clear() leaves alive: each screen opened would
    // otherwise keep its menus until the program ends. Later, for the command being run may
    // be one of their entries.
    for (QAction* popup : menuBar()->actions())
        if (QMenu* menu = popup->menu())
            menu->deleteLater();
    menuBar()->clear();
    for (const MenuPopup& popup : menuResource(menuId)) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(popup.title));
        menu->setToolTipsVisible(true);
        for (const MenuItem& item : popup.items) {
            if (!item.text) {
                menu->addSeparator();
                continue;
            }
            QAction* entry = menu->addAction(QString::fromUtf8(item.text).section(u'\t', 0, 0));
            showKeyName(entry, QString::fromUtf8(item.text).section(u'\t', 1, 1));
            entry->setStatusTip(promptOf(item.command));
            entry->setEnabled(commandEnabled(item.command));
            if (const std::string why = RoleRights::whyNot(item.command); !why.empty())
                entry->setToolTip(QString::fromStdString(why));
            const int command = item.command;
            connect(entry, &QAction::triggered, this, [this, command] { routeCommand(command); });
        }
    }
}

void CMainFrame::createToolbar() {
    toolbar = addToolBar("Standard");
    toolbar->setObjectName("Standard");
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar->setIconSize(QSize(35, 30));
    toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    for (const ToolbarButton& button : toolbarResource()) {
        if (!button.command) {
            toolbar->addSeparator();
            continue;
        }
        QAction* action = actionFor(button.command);
        action->setText(QString::fromUtf8(button.label));
        action->setIcon(QIcon(QString::fromUtf8(button.icon)));
        toolbar->addAction(action);
        if (auto* tool = qobject_cast<QToolButton*>(toolbar->widgetForAction(action))) {
            tool->setMinimumSize(42, 49);
            tool->setAccessibleName(QString::fromUtf8(button.label));
        }
    }
}

void CMainFrame::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->showMessage(kReady);
    connect(bar, &QStatusBar::messageChanged, bar, [bar](const QString& message) {
        if (message.isEmpty())
            bar->showMessage(kReady);
    });
    userPane = new QLabel(bar);
    bar->addPermanentWidget(userPane);
    recordsPane = new QLabel(bar);
    bar->addPermanentWidget(recordsPane);
    indicators = new KeyIndicators(bar);
}

bool CMainFrame::startOnRecords() {
    FirstStart::offerEmptyDatabase(this);
    // The sign-in and the lock read the records before the day's backup starts reading them
    // beside them.
    lockScreen->stop();
    if (askWhoIsThere() == SignInDialog::Result::Exit)
        return false;
    lockScreen->start();
    backups->atStart();
    return true;
}

// A server still out of reach says so; the program goes on without its records.
void CMainFrame::connectToServer() {
    signInAgain();
    if (serverNotConnected)
        MessageBox(this,
                   "The clinic server of the records could not be reached, so nobody can sign "
                   "in yet. Choose File \u203a Connect\u2026 again once it answers.",
                   kAppTitle, MsgIcon::Exclamation);
}

// Adding the records' first user starts asking for a sign-in, at once.
void CMainFrame::manageUsers() {
    const std::string server = Engine::serverConnection();
    std::unique_ptr<UserDirectory> users;
    if (server.empty())
        users = std::make_unique<FileUsers>();
    else
        users = std::make_unique<ServerLogins>(server, Engine::serverPassword());
    UsersDialog(this, *users).DoModal();
    if (server.empty() && !Session::user() && FileUsers::any() == true)
        signInAgain();
    else
        lockScreen->start(); // the idle minutes may have changed
}

// The trail is read whole as the window opens; a filter is then chosen by the records.
void CMainFrame::showAuditTrail() {
    const std::string server = Engine::serverConnection();
    const AuditTrailDialog::Reader read = [server](const AuditReport::Filter& filter) {
        return server.empty() ? AuditTrail::ofFile(Engine::recordsFile(), filter)
                              : AuditTrail::ofServer(server, Engine::serverPassword(), filter);
    };
    std::vector<AuditEntry> entries;
    try {
        entries = read({});
    } catch (const std::exception& failure) {
        MessageBox(this, std::string("The audit trail could not be read: ") + failure.what(),
                   kAppTitle, MsgIcon::Stop);
        return;
    }
    AuditTrailDialog(this, std::move(entries), read).DoModal();
}

// Every screen is closed first, each asking about its unsaved changes; one the user stays on
// keeps everyone signed in as they were.
void CMainFrame::signOut() {
    for (auto frame = openFrames.rbegin(); frame != openFrames.rend(); ++frame)
        if (!(*frame)->view()->mayClose())
            return;
    closeScreensAndSignIn();
}

void CMainFrame::closeScreensAndSignIn() {
    for (const auto& screen : CKLApp::instance().templates())
        screen->CloseAllDocuments();
    AccessNote::enter(this, {Access::SignOut, "", "", std::nullopt});
    Session::signOut();
    signInAgain();
}

// The screens of a user who holds entries not yet saved are kept aside for that user, who is
// offered them at the next sign-in; other screens close.
void CMainFrame::keepScreensAsideAndSignIn() {
    if (const auto user = Session::user(); user && screensHoldEntries())
        parked.park(user->name, std::vector(openFrames), *this);
    closeScreensAndSignIn();
}

// Screens a user may have typed into and not saved: every screen that takes new entries.
bool CMainFrame::screensHoldEntries() const {
    for (const auto& screen : CKLApp::instance().templates())
        for (const auto& doc : screen->documents())
            if (doc->view() && doc->view()->hasUnsavedChanges())
                return true;
    for (int screen : {SCREEN_ADD_NEW, SCREEN_VIEW_COMPLAINT, SCREEN_ISSUE_PRESCRIPTION,
                       SCREEN_EDIT_CLINIC_INFO})
        if (GetScreenView(screen))
            return true;
    return false;
}

void CMainFrame::hideChrome(bool locked) {
    menuBar()->setVisible(!locked);
    toolbar->setVisible(!locked);
    statusBar()->setVisible(!locked);
}

void CMainFrame::signInAgain() {
    lockScreen->stop();
    // Closing may be called off, to keep entries another user left here.
    while (askWhoIsThere() == SignInDialog::Result::Exit)
        if (close())
            return;
    lockScreen->start();
    offerKeptScreens();
    if (openFrames.empty())
        OpenMainMenu();
    rebuildActiveMenu();
    updateCommandStates();
}

// Screens closed as someone else signed in; the user's own come back if wanted.
void CMainFrame::offerKeptScreens() {
    const auto user = Session::user();
    if (!user || !parked.holds(user->name))
        return;
    if (MessageBox(this,
                   "The screens with entries you had not saved were kept for you when someone "
                   "else signed in. Bring them back? No lets the entries go.",
                   kAppTitle, MsgIcon::Question, MsgButtons::YesNo) != IDYES) {
        parked.discard(user->name);
        return;
    }
    parked.bringBack(user->name, *this);
}

// A server that could not be reached is shown as not connected, and File › Connect… signs in
// once it answers.
SignInDialog::Result CMainFrame::askWhoIsThere() {
    showWhoIsSignedIn();
    const SignInDialog::Result result = SignInDialog::signIn(this);
    serverNotConnected =
        result == SignInDialog::Result::NotAsked && !Engine::serverConnection().empty();
    const std::string records = RecordsSetting::statusText();
    recordsPane->setText(
        QString::fromStdString(serverNotConnected ? records + ", not connected" : records));
    showWhoIsSignedIn();
    rebuildActiveMenu();
    return result;
}

// Menu entries take their state when the menu is made.
void CMainFrame::rebuildActiveMenu() {
    rebuildMenu(openFrames.empty() ? IDR_MAINFRAME
                                   : openFrames.back()->document().docTemplate().resourceId());
}

void CMainFrame::showWhoIsSignedIn() {
    const auto user = Session::user();
    userPane->setText(user ? QString::fromStdString("Signed in: " + user->name + " (" +
                                                    roleName(user->role) + ")")
                           : QString("Not signed in"));
}

void CMainFrame::createAccelerators() {
    for (const Accelerator& accelerator : acceleratorResource()) {
        QAction* action = actionFor(accelerator.command);
        QList<QKeySequence> keys = action->shortcuts();
        keys << QKeySequence(QString::fromUtf8(accelerator.keys));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
}

bool CMainFrame::appHandles(int command) const {
    if (command == ID_FILE_CONNECT)
        return serverNotConnected;
    if (command == ID_FILE_LOCK)
        return Session::user().has_value();
    if (command == ID_FILE_SIGN_OUT)
        return Session::user().has_value();
    switch (command) {
    case ID_APP_ABOUT:
    case ID_APP_EXIT:
    case ID_FILE_PRINT_SETUP:
    case ID_HELP_CONTENTS:
    case ID_VIEW_ZOOM_IN:
    case ID_VIEW_ZOOM_OUT:
    case ID_VIEW_ACTUAL_SIZE:
    case ID_VIEW_FIT_TO_WINDOW:
    case ID_FILE_RECORDS_DATABASE:
    case ID_DATABASE_USERS:
    case ID_DATABASE_AUDIT_TRAIL:
    case ID_DATABASE_DELETED_PATIENTS:
        return true;
    default:
        return false;
    }
}

void CMainFrame::routeCommand(int command) {
    FormView* view = activeView();
    if (view && view->handlesCommand(command))
        view->runCommand(command);
    else if (appHandles(command))
        runAppCommand(command);
}

void CMainFrame::runAppCommand(int command) {
    switch (command) {
    case ID_APP_ABOUT:
        AboutDialog(this).DoModal();
        break;
    case ID_APP_EXIT:
        close();
        break;
    case ID_FILE_PRINT_SETUP:
        printSetup();
        break;
    case ID_HELP_CONTENTS:
        showHelp();
        break;
    case ID_VIEW_ZOOM_IN:
    case ID_VIEW_ZOOM_OUT:
    case ID_VIEW_ACTUAL_SIZE:
    case ID_VIEW_FIT_TO_WINDOW:
        zoom(command);
        break;
    case ID_FILE_RECORDS_DATABASE:
        chooseRecords();
        break;
    case ID_FILE_CONNECT:
        connectToServer();
        break;
    case ID_DATABASE_USERS:
        manageUsers();
        break;
    case ID_DATABASE_AUDIT_TRAIL:
        showAuditTrail();
        break;
    case ID_DATABASE_DELETED_PATIENTS:
        DeletedPatientsDialog(this).DoModal();
        break;
    case ID_FILE_SIGN_OUT:
        signOut();
        break;
    case ID_FILE_LOCK:
        lockScreen->lock();
        break;
    }
}

// Commands are enabled exactly where something handles them, so the task buttons work
// only while the main menu screen is active.
// A command the signed-in user's role may not use is disabled wherever it is offered.
bool CMainFrame::commandEnabled(int command) const {
    FormView* view = activeView();
    return (appHandles(command) || (view && view->handlesCommand(command))) &&
           RoleRights::whyNot(command).empty();
}

// The tooltip of a command the role keeps the user from says why.
void CMainFrame::updateCommandStates() {
    for (auto& [command, action] : actions) {
        action->setEnabled(commandEnabled(command));
        const std::string why = RoleRights::whyNot(command);
        action->setToolTip(why.empty() ? tipOf(command) : QString::fromStdString(why));
    }
}

void CMainFrame::showHelp() {
    ContextHelp::show(this, ContextHelp::pageForScreen(ContextHelp::shownScreen()));
}

// The printer set up here is the program's default for nothing: every prescription asks
// for its printer afresh.
void CMainFrame::printSetup() {
    QPrinter printer;
    PrintDialog::runSetup(this, printer);
}

// Zooming in stops where the screen would no longer fit the window.
void CMainFrame::zoom(int command) {
    FormView* view = activeView();
    const double now = view ? view->scale() : FormScale::kSmallest;
    if (command == ID_VIEW_ZOOM_IN) {
        const double larger = FormScale::stepUp(now);
        if (!view || larger > view->largestScale())
            return;
        FormScale::choose(larger);
    } else if (command == ID_VIEW_ZOOM_OUT) {
        FormScale::choose(FormScale::stepDown(now));
    } else if (command == ID_VIEW_FIT_TO_WINDOW) {
        FormScale::choose(std::nullopt);
    } else {
        FormScale::choose(FormScale::kSmallest);
    }
    if (view)
        view->fitToWindow();
}

void CMainFrame::chooseRecords() {
    RecordsDatabaseDialog dialog(this);
    dialog.screensOpen = otherScreensOpen();
    if (dialog.DoModal() == IDOK && !startOnRecords())
        close();
}

bool CMainFrame::otherScreensOpen() const {
    return std::ranges::any_of(openFrames, [](CChildFrame* frame) {
        return frame->document().docTemplate().resourceId() != IDR_MAINMENU_MENU;
    });
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (const std::vector<std::string> owners = parked.owners();
        !owners.empty() &&
        MessageBox(this,
                   "Entries not yet saved that " + joined(owners) +
                       " left at this desk will be lost when Medora closes. Close anyway?",
                   kAppTitle, MsgIcon::Exclamation, MsgButtons::YesNo) != IDYES) {
        event->ignore();
        return;
    }
    WindowPlacement::save(*this);
    AccessNote::settle();
    backups->atClose();
    if (const std::string missing = BackupSettings::missingFolder(
            BackupSettings::folderIsDefault() ? std::string() : BackupSettings::folder());
        !missing.empty())
        MessageBox(this, missing, kAppTitle, MsgIcon::Exclamation);
    QMainWindow::closeEvent(event);
}
