#include "app/CKLApp.h"

#include "app/CMainFrame.h"
#include "app/MainMenu.h"
#include "app/RecordsSetting.h"
#include "app/WindowPlacement.h"
#include "app/Screens.h"
#include "platform/DocTemplate.h"
#include "platform/Document.h"
#include "res/resource.h"
#include "store/AccessWriter.h"
#include "store/Database.h"
#include "tools/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <cassert>

namespace {
CKLApp* theApp = nullptr;
}

// The images live in a static library, where nothing else would pull them in.
static void loadResources() {
    Q_INIT_RESOURCE(res);
}

CKLApp::CKLApp() {
    loadResources();
    assert(!theApp);
    theApp = this;
}

// Screens close while the main window that holds their frames still stands.
CKLApp::~CKLApp() {
    for (auto& screen : docTemplates)
        screen->CloseAllDocuments();
    frame.reset();
    docTemplates.clear();
    // The entries of what the last screens opened go into these records, not the next ones.
    AccessWriter::drain();
    theApp = nullptr;
}

CKLApp& CKLApp::instance() {
    assert(theApp);
    return *theApp;
}

QString CKLApp::programDirectory() {
    return QCoreApplication::applicationDirPath() + "/";
}

bool CKLApp::InitInstance(const QStringList& arguments) {
    docTemplates.push_back(std::make_unique<DocTemplate>(
        IDR_MAINMENU_MENU, "MainMenu", [] { return new MainMenu; }));
    QCoreApplication::setOrganizationName("Local AppWizard-Generated Applications");
    QCoreApplication::setApplicationName(kAppTitle);
    // The settings name the records' server and backup folders: their folder, which Qt would
    // make open to others, is made the user's own first.
    DataFolder::makePrivate(QFileInfo(QSettings().fileName()).absolutePath().toStdString());
    RecordsSetting::applySaved();
    // The records file is the one in the folder the program was started in.
    Engine::setRecordsFile(QDir::current().absoluteFilePath(Database::fileName).toStdString());
    DataFolder::keepPrivate();
    frame = std::make_unique<CMainFrame>();
    if (!frame->startOnRecords())
        return false;
    if (!openFirstScreen(arguments))
        return false;
    WindowPlacement::show(*frame);
    return true;
}

// With no argument an untitled main menu opens; a file argument binds it to that file.
bool CKLApp::openFirstScreen(const QStringList& arguments) {
    DocTemplate& mainMenu = *docTemplates.front();
    if (arguments.isEmpty())
        return mainMenu.OpenDocumentFile(QString()) != nullptr;
    Document* doc = mainMenu.OpenDocumentFile(QFileInfo(arguments.first()).absoluteFilePath());
    if (!doc) {
        CMainFrame::reportUnreadableFile(QFileInfo(arguments.first()).fileName());
        return false;
    }
    doc->setTitle(QFileInfo(arguments.first()).fileName());
    return true;
}
