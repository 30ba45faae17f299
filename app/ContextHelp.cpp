#include "app/ContextHelp.h"

#include "app/CKLApp.h"
#include "app/CMainFrame.h"
#include "app/HelpViewer.h"
#include "app/Screens.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <map>

namespace {

const char* const kContents = "index.html";

const std::map<int, const char*> kScreenPages = {
    {SCREEN_MAIN_MENU, kContents},
    {SCREEN_ADD_NEW, "add-patient.html"},
    {SCREEN_FIND_ID, "find-patient.html"},
    {SCREEN_FIND_NAME, "find-patient.html"},
    {SCREEN_VIEW_RESULTS, "search.html"},
    {SCREEN_VIEW_REC, "record.html"},
    {SCREEN_VIEW_COMPLAINT, "visit.html"},
    {SCREEN_ISSUE_PRESCRIPTION, "prescription.html"},
    {SCREEN_EDIT_CLINIC_INFO, "clinic-info.html"},
    {SCREEN_VITAL_CHARTS, "vital-charts.html"},
};

const std::map<QString, const char*> kDialogPages = {
    {"Records database", "records-database.html"},
    {"Backups", "auto-backups.html"},
    {"Rescue records", "rescue.html"},
};

// The printer and preview dialogs of the record screen are about printing the record; over
// the prescription they are the prescription's.
bool printsTheRecord(const QString& caption, int screenIndex) {
    return screenIndex == SCREEN_VIEW_REC && (caption == "Print" || caption == "Print Preview");
}

} // namespace

ContextHelp::ContextHelp(QWidget* mainWindow) : QObject(mainWindow) {
    qApp->installEventFilter(this);
}

QString ContextHelp::pageForScreen(int screenIndex) {
    const auto page = kScreenPages.find(screenIndex);
    return page == kScreenPages.end() ? kContents : page->second;
}

QString ContextHelp::pageForDialog(const QString& caption, int screenIndex) {
    if (printsTheRecord(caption, screenIndex))
        return "print-record.html";
    const auto page = kDialogPages.find(caption);
    return page == kDialogPages.end() ? pageForScreen(screenIndex) : page->second;
}

void ContextHelp::show(QWidget* owner, const QString& page) {
    HelpViewer::showContents(owner, CKLApp::programDirectory() + "help/" + page);
}

bool ContextHelp::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1)
        return QObject::eventFilter(watched, event);
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog || !watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != dialog)
        return QObject::eventFilter(watched, event);
    show(dialog, pageForDialog(dialog->windowTitle(), shownScreen()));
    return true;
}

int ContextHelp::shownScreen() {
    const MdiHost* host = MdiHost::instance();
    for (int screen = 0; host && screen < SCREEN_COUNT; ++screen)
        if (const FormView* view = CMainFrame::GetScreenView(screen);
            view && view == host->activeView())
            return screen;
    return SCREEN_COUNT;
}
