// The main window and the screen table: start-up, the task commands, opening and closing
// screens, the marker file, help and About.

#include "GuiSession.h"
#include "RecordSupport.h"

#include "app/AboutDialog.h"
#include "app/HelpViewer.h"
#include "app/MainMenu.h"
#include "app/RecentFileList.h"
#include "app/Screens.h"
#include "platform/DocTemplate.h"
#include "res/resource.h"

#include <QAction>
#include <QDialog>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QLocale>
#include <QSettings>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace {

const int kTaskCommands[] = {ID_PATIENT_ADD,        ID_PATIENT_LOCATE_ID, ID_PATIENT_LOCATE_NAME,
                             ID_PATIENT_LIST_ALL,   ID_ISSUE_PRESCRIPTION, ID_DATABASE_BACKUP,
                             ID_DATABASE_RESTORE,   ID_EDIT_CLINIC_INFO};

QStringList menuTitles(CMainFrame& frame) {
    QStringList titles;
    for (QAction* menu : frame.menuBar()->actions())
        titles << menu->text();
    return titles;
}

qsizetype menusOf(CMainFrame& frame) {
    return frame.menuBar()->findChildren<QMenu*>().size();
}

QAction* menuEntry(CMainFrame& frame, const QString& menu, const QString& entry) {
    for (QAction* popup : frame.menuBar()->actions())
        if (popup->text() == menu && popup->menu())
            for (QAction* item : popup->menu()->actions())
                if (item->text() == entry)
                    return item;
    return nullptr;
}

QToolButton* toolButton(CMainFrame& frame, const QString& label) {
    auto* toolbar = frame.findChild<QToolBar*>("Standard");
    for (QAction* action : toolbar->actions())
        if (action->text() == label)
            return qobject_cast<QToolButton*>(toolbar->widgetForAction(action));
    return nullptr;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startsOnTheMainMenuWithTodaysDate() {
        GuiSession s;
        QCOMPARE(s.frame().size(), QSize(640, 480));
        QVERIFY(s.active<MainMenu>());
        QCOMPARE(s.activeTitle(), QString("MainMenu1"));
        QCOMPARE(s.frame().windowTitle(), QString("Medora 1.0 - [MainMenu1]"));
        auto* date = s.active<MainMenu>()->control<QLabel>(IDC_MAIN_DATE);
        QCOMPARE(date->text(), QLocale::c().toString(QDate::currentDate(), "dddd dd MMMM, yyyy"));
        QCOMPARE(s.frame().statusBar()->currentMessage(), QString("Ready"));
        QCOMPARE(s.frame().focusWidget(), s.activeView()->controlWidget(IDC_MAIN_ADD_PATIENT));
        QCOMPARE(menuTitles(s.frame()), QStringList({"&File", "&Patient", "&Issue", "&Database",
                                                     "&Edit", "&View", "&Help"}));
        VERIFY_BOXES(s);
    }

    void toolbarHasItsElevenPositions() {
        GuiSession s;
        auto* toolbar = s.frame().findChild<QToolBar*>("Standard");
        QStringList labels;
        for (QAction* action : toolbar->actions())
            labels << (action->isSeparator() ? "|" : action->text());
        QCOMPARE(labels, QStringList({"New Patient", "|", "Find ID", "Find Name", "List All", "|",
                                      "Prescription", "|", "Backup", "Restore", "Clinic Info"}));
        QAction* findName = s.frame().commandAction(ID_PATIENT_LOCATE_NAME);
        QCOMPARE(findName->toolTip(), QString("Locate by name"));
        QCOMPARE(findName->statusTip(), QString("Locate patient record by name"));
        QCOMPARE(toolbar->iconSize(), QSize(35, 30));
        VERIFY_BOXES(s);
    }

    void taskCommandsWorkOnlyOnTheMainMenu() {
        GuiSession s;
        for (int command : kTaskCommands)
            QVERIFY2(s.frame().commandAction(command)->isEnabled(), qPrintable(QString::number(command)));

        QTest::mouseClick(toolButton(s.frame(), "Find ID"), Qt::LeftButton);
        GuiSession::settle();
        QCOMPARE(s.activeTitle(), QString("Locate patient by ID"));
        QCOMPARE(GuiSession::openCount(SCREEN_MAIN_MENU), 0);
        for (int command : kTaskCommands)
            QVERIFY(!s.frame().commandAction(command)->isEnabled());
        QCOMPARE(menuTitles(s.frame()), QStringList({"&File", "&View", "&Help"}));
        // A click on a disabled button does nothing.
        QTest::mouseClick(toolButton(s.frame(), "New Patient"), Qt::LeftButton);
        GuiSession::settle();
        QCOMPARE(GuiSession::openCount(SCREEN_ADD_NEW), 0);

        CMainFrame::CloseFindID();
        CMainFrame::OpenMainMenu();
        GuiSession::settle();
        QCOMPARE(s.activeTitle(), QString("Main Menu"));
        for (int command : kTaskCommands)
            QVERIFY(s.frame().commandAction(command)->isEnabled());
        VERIFY_BOXES(s);
    }

    void menuAndButtonsOpenTheirScreens_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("screen");
        QTest::addColumn<QString>("title");
        QTest::newRow("add") << IDC_MAIN_ADD_PATIENT << int(SCREEN_ADD_NEW) << "Add new patient record";
        QTest::newRow("by id") << IDC_MAIN_FIND_ID << int(SCREEN_FIND_ID) << "Locate patient by ID";
        QTest::newRow("by name") << IDC_MAIN_FIND_NAME << int(SCREEN_FIND_NAME) << "Locate patient by name";
        QTest::newRow("prescription") << IDC_MAIN_PRESCRIPTION << int(SCREEN_ISSUE_PRESCRIPTION)
                                      << "Issue prescription";
        QTest::newRow("clinic") << IDC_MAIN_CLINIC_INFO << int(SCREEN_EDIT_CLINIC_INFO)
                                << "Edit clinic information";
    }

    void menuAndButtonsOpenTheirScreens() {
        QFETCH(int, button);
        QFETCH(int, screen);
        QFETCH(QString, title);
        GuiSession s;
        GuiSession::click(*s.activeView(), button);
        QCOMPARE(s.activeTitle(), title);
        QCOMPARE(GuiSession::openCount(screen), 1);
        QCOMPARE(GuiSession::openCount(SCREEN_MAIN_MENU), 0);
        VERIFY_BOXES(s);
    }

    void theMenuCommandOpensTheScreenToo() {
        GuiSession s;
        QAction* entry = menuEntry(s.frame(), "&Patient", "Locate by name");
        QVERIFY(entry && entry->isEnabled());
        entry->trigger();
        GuiSession::settle();
        QCOMPARE(s.activeTitle(), QString("Locate patient by name"));
        VERIFY_BOXES(s);
    }

    void returnsKeepExactlyTenTemplates() {
        GuiSession s;
        auto& templates = CKLApp::instance().templates();
        QCOMPARE(templates.size(), size_t(10));
        const QStringList names = {"MainMenu", "AddNew", "FindID", "FindName", "ViewResults",
                                   "ViewRec", "ViewComplaint", "IssuPrescription",
                                   "EditClinicInfo1", "VitalChartsView"};
        const qsizetype menusAtStart = menusOf(s.frame());
        for (int round = 0; round < 5; ++round) {
            GuiSession::click(*s.activeView(), IDC_MAIN_FIND_ID);
            CMainFrame::CloseFindID();
            CMainFrame::OpenMainMenu();
            GuiSession::settle();
        }
        QCOMPARE(templates.size(), size_t(10));
        for (int i = 0; i < 10; ++i)
            QCOMPARE(templates[i]->docName(), names[i]);
        // Nor do the menus of the screens left behind stay.
        QCOMPARE(menusOf(s.frame()), menusAtStart);
        QCOMPARE(s.activeTitle(), QString("Main Menu"));
        VERIFY_BOXES(s);
    }

    void openedScreensFillTheRecentFileList() {
        GuiSession s;
        GuiSession::click(*s.activeView(), IDC_MAIN_FIND_ID);
        QCOMPARE(RecentFileList::entries(), QStringList({CKLApp::programDirectory() + "ndoc"}));
        QCOMPARE(QSettings().organizationName(), QString("Local AppWizard-Generated Applications"));
        QCOMPARE(QSettings().applicationName(), QString("Medora 1.0"));
        VERIFY_BOXES(s);
    }

    void aScreenOpenedTwiceHasTwoInstances() {
        GuiSession s;
        CMainFrame::OpenFindID();
        FormView* older = CMainFrame::GetScreenView(SCREEN_FIND_ID);
        CMainFrame::OpenFindID();
        QCOMPARE(GuiSession::openCount(SCREEN_FIND_ID), 2);
        QCOMPARE(CMainFrame::GetScreenView(SCREEN_FIND_ID), older);
        QVERIFY(s.activeView() != older);
        CMainFrame::CloseFindID();
        GuiSession::settle();
        QCOMPARE(GuiSession::openCount(SCREEN_FIND_ID), 0);
        QVERIFY(!CMainFrame::GetScreenView(SCREEN_FIND_ID));
        QVERIFY(s.active<MainMenu>());
        VERIFY_BOXES(s);
    }

    // Without the marker file no screen opens, and the user stays where they were, able
    // to go on, with the message over the main window.
    void aMissingMarkerFileKeepsTheScreenTheUserCameFrom_data() {
        QTest::addColumn<int>("startButton"); // on the main menu, before the file goes
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("screen");
        QTest::newRow("add") << 0 << int(IDC_MAIN_ADD_PATIENT) << int(SCREEN_ADD_NEW);
        QTest::newRow("by name") << 0 << int(IDC_MAIN_FIND_NAME) << int(SCREEN_FIND_NAME);
        QTest::newRow("list all") << 0 << int(IDC_MAIN_LIST_ALL) << int(SCREEN_VIEW_RESULTS);
        QTest::newRow("clinic") << 0 << int(IDC_MAIN_CLINIC_INFO) << int(SCREEN_EDIT_CLINIC_INFO);
        QTest::newRow("cancel by id") << int(IDC_MAIN_FIND_ID) << int(IDC_FINDID_CANCEL)
                                      << int(SCREEN_MAIN_MENU);
    }
    void aMissingMarkerFileKeepsTheScreenTheUserCameFrom() {
        QFETCH(int, startButton);
        QFETCH(int, button);
        QFETCH(int, screen);
        GuiSession s;
        if (startButton)
            GuiSession::click(*s.activeView(), startButton);
        FormView* before = s.activeView();
        const QString marker = CKLApp::programDirectory() + "ndoc";
        QVERIFY(QFile::rename(marker, marker + ".away"));
        s.boxes().expectBox({"ndoc\nCannot find this file.\nPlease verify that the correct path "
                             "and file name are given.",
                             "Medora 1.0", MsgIcon::Exclamation, MsgButtons::Ok});
        GuiSession::click(*before, button);
        QFile::rename(marker + ".away", marker);
        GuiSession::settle();
        QCOMPARE(s.activeView(), before);
        QCOMPARE(GuiSession::openCount(screen), 0);
        QCOMPARE(s.boxes().boxOwners(), std::vector<QWidget*>{&s.frame()});
        if (!startButton)
            for (int command : kTaskCommands)
                QVERIFY(s.frame().commandAction(command)->isEnabled());
        VERIFY_BOXES(s);
    }

    void printSetupShowsTheSetupDialogThatPrintsNothing() {
        GuiSession s;
        s.boxes().expectPageSetup([](QPrinter&) { return true; });
        menuEntry(s.frame(), "&File", "P&rint Setup...")->trigger();
        VERIFY_BOXES(s);
    }

    // The menu shows the key beside its entry, as the menu resource gives it.
    void menusShowTheirKeys() {
        GuiSession s;
        GuiSession::click(*s.activeView(), IDC_MAIN_PRESCRIPTION);
        QAction* print = menuEntry(s.frame(), "&File", "&Print...");
        QVERIFY(print);
        QCOMPARE(print->shortcut().toString(), QString("Ctrl+P"));
        QCOMPARE(menuEntry(s.frame(), "&File", "P&rint Setup...")->shortcut(), QKeySequence());
        VERIFY_BOXES(s);
    }

    void helpShowsItsContentsPage() {
        GuiSession s;
        s.frame().routeCommand(ID_HELP_CONTENTS);
        auto* viewer = s.frame().findChild<HelpViewer*>("HelpViewer");
        QVERIFY(viewer && viewer->isVisible());
        QVERIFY(viewer->shownText().contains("Contents"));
        viewer->close();
        VERIFY_BOXES(s);
    }

    // F1 opens the page on what is shown: the screen, or the dialog open over it.
    void f1OpensTheHelpOnWhatIsShown_data() {
        QTest::addColumn<int>("screen");  // the screen shown: the main menu or a patient's record
        QTest::addColumn<int>("command"); // the command opening a dialog over it, or none
        QTest::addColumn<QString>("heading");
        QTest::newRow("main menu") << int(SCREEN_MAIN_MENU) << 0 << "Medora Help";
        QTest::newRow("record") << int(SCREEN_VIEW_REC) << 0 << "The patient's medical record";
        QTest::newRow("print preview of the record")
            << int(SCREEN_VIEW_REC) << ID_FILE_PRINT_PREVIEW
            << "Printing, previewing and exporting a record";
        QTest::newRow("records database") << int(SCREEN_MAIN_MENU) << ID_FILE_RECORDS_DATABASE
                                          << "Where the records are kept: this computer or the "
                                             "clinic server";
        QTest::newRow("backups") << int(SCREEN_MAIN_MENU) << ID_DATABASE_BACKUPS
                                 << "The automatic backups and Database \u203a Backups\u2026";
    }
    void f1OpensTheHelpOnWhatIsShown() {
        QFETCH(int, screen);
        QFETCH(int, command);
        QFETCH(QString, heading);
        GuiSession s;
        if (screen == SCREEN_VIEW_REC)
            records::openRecord(s, records::addPatient());
        const auto shownHeading = [] {
            for (QWidget* widget : QApplication::allWidgets())
                if (auto* viewer = dynamic_cast<HelpViewer*>(widget); viewer && viewer->isVisible())
                    return viewer->shownText().section(u'\n', 0, 0);
            return QString();
        };
        QString shown;
        if (command == 0) {
            QTest::keyClick(&s.frame(), Qt::Key_F1);
            shown = shownHeading();
        } else {
            const bool opened =
                GuiSession::withModal<QDialog>([&] { s.frame().routeCommand(command); },
                                               [&](QDialog& dialog) {
                                                   QTest::keyClick(&dialog, Qt::Key_F1);
                                                   shown = shownHeading();
                                                   dialog.reject();
                                               });
            QVERIFY(opened);
        }
        QCOMPARE(shown, heading);
        VERIFY_BOXES(s);
    }

    // Every page is listed in the contents, and every link leads to a page.
    void everyHelpLinkLeadsToAPage() {
        const QDir help(CKLApp::programDirectory() + "help");
        const QRegularExpression link("href=\"([^\"#]+)");
        int links = 0;
        for (const QString& page : help.entryList({"*.html"})) {
            QFile file(help.filePath(page));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString html = QString::fromUtf8(file.readAll());
            for (const auto& match : link.globalMatch(html)) {
                ++links;
                QVERIFY2(help.exists(match.captured(1)), qPrintable(page + " -> " + match.captured(1)));
            }
        }
        QVERIFY(links > 10);
        QFile contents(help.filePath("index.html"));
        QVERIFY(contents.open(QIODevice::ReadOnly));
        const QString index = QString::fromUtf8(contents.readAll());
        for (const QString& page : help.entryList({"*.html"}))
            QVERIFY2(page == "index.html" || index.contains("href=\"" + page + "\""),
                     qPrintable(page));
    }

    void aMissingHelpPageIsReportedByTheViewer() {
        GuiSession s;
        HelpViewer* viewer = HelpViewer::showContents(&s.frame(), s.folder() + "/none.html");
        QVERIFY(viewer->shownText().contains("could not be found"));
        viewer->close();
    }

    void aboutBoxShowsTheVersion() {
        GuiSession s;
        QStringList texts;
        const bool shown = GuiSession::withModal<AboutDialog>(
            [&] { s.frame().routeCommand(ID_APP_ABOUT); },
            [&](AboutDialog& about) {
                QCOMPARE(about.windowTitle(), QString("About Medora"));
                for (QLabel* label : about.findChildren<QLabel*>())
                    texts << label->text();
                QTest::mouseClick(about.control<QPushButton>(IDOK), Qt::LeftButton);
            });
        QVERIFY(shown);
        QVERIFY(texts.join("\n").contains("Medora version 1.0"));
        VERIFY_BOXES(s);
    }

    void exitEndsWithoutQuestionsFromAnyScreen() {
        GuiSession s;
        GuiSession::click(*s.activeView(), IDC_MAIN_FIND_ID);
        menuEntry(s.frame(), "&File", "E&xit")->trigger();
        QVERIFY(!s.frame().isVisible());
        VERIFY_BOXES(s);
    }

    void controlsAreNamedByTheirWords() {
        GuiSession s;
        FormView* menu = s.activeView();
        QCOMPARE(menu->controlWidget(IDC_MAIN_LIST_ALL)->accessibleName(),
                 QString("- List all patients"));
        QCOMPARE(toolButton(s.frame(), "Backup")->accessibleName(), QString("Backup"));
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
