// Who is at the desk: the sign-in a records file with users asks for, what each role is offered,
// the screen that locks itself and gives everything back to the same user, and signing out.

#include "GuiSession.h"

#include "app/AboutDialog.h"
#include "app/AddUserDialog.h"
#include "app/ChangePasswordDialog.h"
#include "app/LockScreen.h"
#include "app/MainMenu.h"
#include "app/Screens.h"
#include "app/SignInDialog.h"
#include "app/UsersDialog.h"
#include "platform/FormView.h"
#include "platform/ListView.h"
#include "res/resource.h"
#include "screens/RoleRights.h"
#include "screens/ViewRec.h"
#include "records/ServerLogins.h"
#include "store/Engine.h"
#include "store/FileUsers.h"
#include "store/PatientDetails.h"
#include "store/PatientRecord.h"
#include "store/ServerAccount.h"
#include "store/Session.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableView>

using namespace std::chrono_literals;

namespace {

const QString kPassword = "correct horse battery";

void addUsers() {
    FileUsers users;
    for (const auto& [name, role] : {std::pair{"amina", UserRole::Administrator},
                                     {"ben", UserRole::Clinician},
                                     {"cara", UserRole::Reception}})
        QVERIFY(users.add({name, "", role}, kPassword.toStdString()));
}

// Types over whatever the fields hold, as a user who selects it first.
void fillSignIn(SignInDialog& dialog, const QString& name, const QString& password) {
    dialog.control<QLineEdit>(IDC_SIGN_IN_NAME)->selectAll();
    GuiSession::type(dialog, IDC_SIGN_IN_NAME, name);
    GuiSession::type(dialog, IDC_SIGN_IN_PASSWORD, password);
    GuiSession::click(dialog, IDOK);
}

// Starts the program again on records that have users, and signs in as `name`.
void restartSignedInAs(GuiSession& s, const QString& name) {
    QVERIFY(GuiSession::withModal<SignInDialog>(
        [&] { s.restart(addUsers); },
        [&](SignInDialog& dialog) { fillSignIn(dialog, name, kPassword); }));
    GuiSession::settle();
}

QString statusTexts(CMainFrame& frame) {
    QStringList texts;
    for (QLabel* label : frame.statusBar()->findChildren<QLabel*>())
        texts << label->text();
    return texts.join('|');
}

// Every text a user could read on the screen now: what a widget shows counts only where no
// other widget covers it.
QStringList readableTexts() {
    QStringList texts;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        texts << window->windowTitle();
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            if (!widget->isVisible() || widget->visibleRegion().isEmpty())
                continue;
            if (auto* label = qobject_cast<QLabel*>(widget))
                texts << label->text();
            else if (auto* edit = qobject_cast<QLineEdit*>(widget))
                texts << (edit->echoMode() == QLineEdit::Normal ? edit->text() : QString());
            else if (auto* button = qobject_cast<QAbstractButton*>(widget))
                texts << button->text();
        }
    }
    return texts;
}

void clickSomeoneElse(QWidget& window) {
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>())
        if (button->text() == "Sign in as someone else" && button->isVisible())
            QTest::mouseClick(button, Qt::LeftButton);
}

QLineEdit* lockPassword(CMainFrame& frame) {
    for (QLineEdit* edit : frame.findChildren<QLineEdit*>())
        if (edit->echoMode() == QLineEdit::Password && edit->isVisible() &&
            !edit->visibleRegion().isEmpty())
            return edit;
    return nullptr;
}

} // namespace

class SignInTest : public QObject {
    Q_OBJECT

private slots:
    void recordsWithoutUsersAskForNoSignIn() {
        if (TestRecords::onServer())
            QSKIP("the records file's users");
        GuiSession s;
        QVERIFY(statusTexts(s.frame()).contains("Not signed in"));
        QVERIFY(!s.frame().commandAction(ID_FILE_LOCK) ||
                !s.frame().commandAction(ID_FILE_LOCK)->isEnabled());
        VERIFY_BOXES(s);
    }

    void aWrongPasswordIsRefusedWithoutSayingWhichWasWrong() {
        if (TestRecords::onServer())
            QSKIP("the records file's users");
        GuiSession s;
        s.boxes().expectBox({"The user name or password is not right.", "Error", MsgIcon::Stop});
        s.boxes().expectBox({"The user name or password is not right.", "Error", MsgIcon::Stop});
        QVERIFY(GuiSession::withModal<SignInDialog>(
            [&] { s.restart(addUsers); },
            [&](SignInDialog& dialog) {
                fillSignIn(dialog, "ben", "not the password");
                fillSignIn(dialog, "nobody", kPassword);
                QVERIFY(dialog.isVisible());
                fillSignIn(dialog, "ben", kPassword);
            }));
        GuiSession::settle();
        QVERIFY(statusTexts(s.frame()).contains("Signed in: ben (clinician)"));
        VERIFY_BOXES(s);
    }

    void eachRoleIsOfferedWhatItMayDo_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("care");
        QTest::addColumn<bool>("administration");
        QTest::newRow("reception") << "cara" << false << false;
        QTest::newRow("clinician") << "ben" << true << false;
        QTest::newRow("administrator") << "amina" << true << true;
    }

    void eachRoleIsOfferedWhatItMayDo() {
        if (TestRecords::onServer())
            QSKIP("the records file's users");
        QFETCH(QString, user);
        QFETCH(bool, care);
        QFETCH(bool, administration);
        GuiSession s;
        restartSignedInAs(s, user);
        struct Offer {
            int command;
            int button; // on the main menu, 0 for none
            bool allowed;
            const char* why;
        };
        const Offer offers[] = {
            {ID_PATIENT_ADD, IDC_MAIN_ADD_PATIENT, true, ""},
            {ID_PATIENT_LOCATE_NAME, IDC_MAIN_FIND_NAME, true, ""},
            {ID_ISSUE_PRESCRIPTION, IDC_MAIN_PRESCRIPTION, care, RoleRights::forClinicians},
            {ID_EDIT_CLINIC_INFO, IDC_MAIN_CLINIC_INFO, administration,
             RoleRights::forAdministrators},
            {ID_DATABASE_BACKUP, IDC_MAIN_BACKUP, administration, RoleRights::forAdministrators},
            {ID_DATABASE_RESTORE, IDC_MAIN_RESTORE, administration,
             RoleRights::forAdministrators},
        };
        auto* menu = s.active<MainMenu>();
        QVERIFY(menu);
        for (const Offer& offer : offers) {
            const QString what = QString::number(offer.command);
            QAction* action = s.frame().commandAction(offer.command);
            QVERIFY2(action, qPrintable(what));
            QCOMPARE(action->isEnabled(), offer.allowed);
            QWidget* button = menu->controlWidget(offer.button);
            QCOMPARE(button->isEnabled(), offer.allowed);
            if (!offer.allowed) {
                QCOMPARE(action->toolTip(), QString(offer.why));
                QCOMPARE(button->toolTip(), QString(offer.why));
            }
        }
        for (const auto& [popup, entry, allowed] :
             {std::tuple{"&Database", "Users\u2026", administration},
              {"&Database", "Rescue records\u2026", administration},
              {"&Database", "Export all records\u2026", administration},
              {"&File", "Records &database\u2026", administration},
              {"&File", "&Lock", true}}) {
            QAction* item = s.menuEntry(popup, QString::fromUtf8(entry));
            QVERIFY2(item, entry);
            QCOMPARE(item->isEnabled(), allowed);
        }
        // The record screen keeps the care part of the record from reception, and asks the
        // store for none of it.
        PatientRecord patient;
        QVERIFY(patient.Add("Ann", "Lee", DateTime::fromCivil(1980, 5, 17), 1, "", ""));
        QVERIFY(s.frame().showPatient(patient.m_id));
        auto* record = s.active<ViewRec>();
        QVERIFY(record);
        const QString firstRow = record->control<ListView>(IDC_REC_HISTORY_LIST)->cellText(0, 0);
        QCOMPARE(firstRow == RoleRights::forClinicians, !care);
        QCOMPARE(record->controlWidget(IDC_REC_ADD)->isEnabled(), care);
        QCOMPARE(record->controlWidget(IDC_REC_CHARTS)->isEnabled(), care);
        QCOMPARE(s.frame().commandAction(ID_FILE_PRINT)->isEnabled(), care);
        VERIFY_BOXES(s);
    }

    void anIdleScreenLocksAndGivesTheSameUserEverythingBack() {
        if (TestRecords::onServer())
            QSKIP("the records file's users");
        GuiSession s;
        std::string patient;
        QVERIFY(GuiSession::withModal<SignInDialog>(
            [&] {
                s.restart([&] {
                    addUsers();
                    PatientRecord record;
                    QVERIFY(record.Add("Annabel", "Quist", DateTime::fromCivil(1980, 5, 17), 1,
                                       "12 Elm St", "555 0101"));
                    patient = record.m_id;
                });
            },
            [&](SignInDialog& dialog) { fillSignIn(dialog, "ben", kPassword); }));
        GuiSession::settle();
        QVERIFY(s.frame().showPatient(patient));
        auto* record = s.active<ViewRec>();
        QVERIFY(record);
        GuiSession::type(*record, IDC_REC_FIRST_NAME, "le");

        s.frame().lock().setIdleTime(200ms);
        QTRY_VERIFY_WITH_TIMEOUT(s.frame().lock().locked(), 2000);
        const QString seen = readableTexts().join('\n');
        for (const char* secret : {"Annabel", "Quist", "Elm", "0101", "record"})
            QVERIFY2(!seen.contains(secret, Qt::CaseInsensitive), qPrintable(seen));
        QVERIFY(seen.contains("Locked"));
        QVERIFY(seen.contains("Signed in: ben"));

        s.boxes().expectBox({"The user name or password is not right.", "Error", MsgIcon::Stop});
        QLineEdit* password = lockPassword(s.frame());
        QVERIFY(password);
        QTest::keyClicks(password, "not the password");
        QTest::keyClick(password, Qt::Key_Return);
        QVERIFY(s.frame().lock().locked());
        password = lockPassword(s.frame());
        QTest::keyClicks(password, kPassword);
        QTest::keyClick(password, Qt::Key_Return);
        QVERIFY(!s.frame().lock().locked());
        GuiSession::settle();
        QCOMPARE(record->control<QLineEdit>(IDC_REC_FIRST_NAME)->text(), QString("Annabelle"));
        QVERIFY(record->control<QLineEdit>(IDC_REC_FIRST_NAME)->isEnabled());
        QVERIFY(s.frame().menuBar()->isVisible());
        QVERIFY(s.frame().windowTitle().contains("Patient medical record"));
        VERIFY_BOXES(s);
    }

    // Another user signing in over a locked screen sees nothing of the first user's entries;
    // they are kept for that user, who takes them back at the next sign-in, or lets them go.
    void anotherUsersSignInKeepsTheEntriesForTheirUser() {
        if (TestRecords::onServer())
            QSKIP("the records file's users");
        GuiSession s;
        restartSignedInAs(s, "ben");
        PatientRecord patient;
        QVERIFY(patient.Add("Annabel", "Quist", DateTime::fromCivil(1980, 5, 17), 1, "", ""));
        const auto leaveEntriesAndLetCaraIn = [&] {
            QVERIFY(s.frame().showPatient(patient.m_id));
            GuiSession::type(*s.active<ViewRec>(), IDC_REC_LAST_NAME, "orp");
            s.frame().lock().lock();
            QVERIFY(GuiSession::withModal<SignInDialog>(
                [&] { clickSomeoneElse(s.frame()); },
                [&](SignInDialog& dialog) { fillSignIn(dialog, "cara", kPassword); }));
            GuiSession::settle();
            QVERIFY(statusTexts(s.frame()).contains("Signed in: cara (reception)"));
            QVERIFY(s.active<MainMenu>());
            const QString seen = readableTexts().join('\n');
            QVERIFY2(!seen.contains("Annabel") && !seen.contains("Quist"), qPrintable(seen));
        };
        const auto caraSignsOutAndBenIn = [&](int answer) {
            s.boxes().expectBox({"The screens with entries you had not saved were kept for you "
                                 "when someone else signed in. Bring them back? No lets the "
                                 "entries go.",
                                 kAppTitle, MsgIcon::Question, MsgButtons::YesNo},
                                answer);
            QVERIFY(GuiSession::withModal<SignInDialog>(
                [&] { s.menuEntry("&File", "Sign o&ut")->trigger(); },
                [&](SignInDialog& dialog) { fillSignIn(dialog, "ben", kPassword); }));
            GuiSession::settle();
        };

        leaveEntriesAndLetCaraIn();
        s.boxes().expectBox({"Entries not yet saved that ben left at this desk will be lost when "
                             "Medora closes. Close anyway?",
                             kAppTitle, MsgIcon::Exclamation, MsgButtons::YesNo},
                            IDNO);
        s.menuEntry("&File", "E&xit")->trigger();
        QVERIFY(s.frame().isVisible());
        caraSignsOutAndBenIn(IDYES);
        auto* record = s.active<ViewRec>();
        QVERIFY(record);
        QCOMPARE(record->control<QLineEdit>(IDC_REC_LAST_NAME)->text(), QString("Quistorp"));
        QVERIFY(record->hasUnsavedChanges());

        // Let go, the entries never reach the records.
        s.frame().lock().lock();
        QVERIFY(GuiSession::withModal<SignInDialog>(
            [&] { clickSomeoneElse(s.frame()); },
            [&](SignInDialog& dialog) { fillSignIn(dialog, "cara", kPassword); }));
        GuiSession::settle();
        QVERIFY(s.active<MainMenu>());
        caraSignsOutAndBenIn(IDNO);
        QVERIFY(s.active<MainMenu>());
        PatientDetails stored;
        QVERIFY(stored.Fetch(patient.m_id));
        QCOMPARE(stored.m_lastName, std::string("Quist"));
        VERIFY_BOXES(s);
    }

    // A window that opens while the screen is locked (a message of the daily backup, say) is
    // covered too, and being modal, it is where the password is typed. Its entries cannot be
    // kept aside, so nobody else may sign in over it.
    void aWindowOpeningWhileLockedAsksForThePasswordItself() {
        if (TestRecords::onServer())
            QSKIP("the records file's users");
        GuiSession s;
        restartSignedInAs(s, "ben");
        s.frame().lock().lock();
        QVERIFY(s.frame().lock().locked());
        bool unlockedInside = false;
        QVERIFY(GuiSession::withModal<AboutDialog>(
            [&] { AboutDialog(&s.frame()).DoModal(); },
            [&](AboutDialog& about) {
                QLineEdit* password = nullptr;
                QTRY_VERIFY((password = [&]() -> QLineEdit* {
                    for (QLineEdit* edit : about.findChildren<QLineEdit*>())
                        if (edit->echoMode() == QLineEdit::Password && edit->isVisible())
                            return edit;
                    return nullptr;
                }()));
                QCOMPARE(about.windowTitle(), QString("Medora 1.0 - Locked"));
                s.boxes().expectBox({"ben has a window open with entries that are not saved "
                                     "yet, so only ben can unlock it. Medora keeps the entries "
                                     "until then.",
                                     kAppTitle, MsgIcon::Exclamation});
                clickSomeoneElse(about);
                QVERIFY(s.frame().lock().locked());
                QTest::keyClicks(password, kPassword);
                QTest::keyClick(password, Qt::Key_Return);
                unlockedInside = !s.frame().lock().locked();
                GuiSession::click(about, IDOK);
            }));
        QVERIFY(unlockedInside);
        QVERIFY(s.frame().menuBar()->isVisible());
        VERIFY_BOXES(s);
    }

    void signingOutAsksAboutUnsavedChangesThenLetsAnotherUserIn() {
        if (TestRecords::onServer())
            QSKIP("the records file's users");
        GuiSession s;
        restartSignedInAs(s, "ben");
        PatientRecord record;
        QVERIFY(record.Add("Ann", "Lee", DateTime::fromCivil(1980, 5, 17), 1, "", ""));
        QVERIFY(s.frame().showPatient(record.m_id));
        GuiSession::type(*s.active<ViewRec>(), IDC_REC_FIRST_NAME, "Changed");
        s.boxes().expectBox({"Patient information has changed, would you like to save?",
                             "Confirmation", MsgIcon::Question, MsgButtons::YesNo},
                            IDNO);
        QVERIFY(GuiSession::withModal<SignInDialog>(
            [&] { s.menuEntry("&File", "Sign o&ut")->trigger(); },
            [&](SignInDialog& dialog) {
                QVERIFY(!Session::user());
                fillSignIn(dialog, "cara", kPassword);
            }));
        GuiSession::settle();
        QVERIFY(statusTexts(s.frame()).contains("Signed in: cara (reception)"));
        QVERIFY(s.active<MainMenu>());
        VERIFY_BOXES(s);
    }

    // On the server the program works as the login signed in at start, in the role of its
    // group, and an administrator adds logins from the Database menu.
    void theServersLoginIsSignedInAndManagesLogins() {
        if (!TestRecords::onServer())
            QSKIP("the server's logins");
        GuiSession s;
        const auto account = Session::user();
        QVERIFY(account);
        QCOMPARE(account->role, UserRole::Administrator);
        QVERIFY(statusTexts(s.frame()).contains(
            QString::fromStdString("Signed in: " + account->name + " (administrator)")));
        const QString newcomer = QString("nurse%1").arg(QCoreApplication::applicationPid());
        bool added = false;
        QVERIFY(GuiSession::withModal<UsersDialog>(
            [&] { s.menuEntry("&Database", "Users\u2026")->trigger(); },
            [&](UsersDialog& users) {
                QVERIFY(GuiSession::withModal<AddUserDialog>(
                    [&] { GuiSession::click(users, IDC_USERS_ADD); },
                    [&](AddUserDialog& add) {
                        GuiSession::type(add, IDC_ADD_USER_NAME, newcomer);
                        GuiSession::type(add, IDC_ADD_USER_PASSWORD, kPassword);
                        GuiSession::type(add, IDC_ADD_USER_AGAIN, kPassword);
                        GuiSession::click(add, IDOK);
                    }));
                auto* list = users.control<ListView>(IDC_USERS_LIST);
                for (int row = 0; row < list->rowCountNow(); ++row)
                    added = added || (list->cellText(row, 0) == newcomer &&
                                      list->cellText(row, 2) == "clinician");
                GuiSession::click(users, IDCANCEL);
            }));
        QVERIFY(added);

        // The newcomer signs in at this desk in the login's role; one whose password an
        // administrator set chooses another first, and one disabled is told so.
        ServerLogins administrator(Engine::serverConnection());
        QVERIFY(administrator.resetPassword(newcomer.toStdString(), "set by the administrator"));
        QVERIFY(GuiSession::withModal<SignInDialog>(
            [&] { s.menuEntry("&File", "Sign o&ut")->trigger(); },
            [&](SignInDialog& dialog) {
                QVERIFY(GuiSession::withModal<ChangePasswordDialog>(
                    [&] { fillSignIn(dialog, newcomer, "set by the administrator"); },
                    [&](ChangePasswordDialog& change) {
                        GuiSession::type(change, IDC_NEW_PASSWORD, kPassword);
                        GuiSession::type(change, IDC_NEW_PASSWORD_AGAIN, kPassword);
                        GuiSession::click(change, IDOK);
                    }));
            }));
        GuiSession::settle();
        QVERIFY(statusTexts(s.frame()).contains("Signed in: " + newcomer + " (clinician)"));
        QCOMPARE(s.active<MainMenu>()->control<QLabel>(IDC_MAIN_BACKUP_STATUS)->text(),
                 QString("The clinic server's records are backed up at an administrator's desk."));
        QVERIFY(!Session::user()->mustChangePassword);
        QVERIFY(!ServerAccount::signedIn()->mustChangePassword);

        QVERIFY(administrator.setDisabled(newcomer.toStdString(), true));
        s.boxes().expectBox({"This user may no longer sign in. Ask an administrator of the clinic.",
                             "Error", MsgIcon::Stop});
        QVERIFY(GuiSession::withModal<SignInDialog>(
            [&] { s.menuEntry("&File", "Sign o&ut")->trigger(); },
            [&](SignInDialog& dialog) {
                fillSignIn(dialog, newcomer, kPassword);
                QVERIFY(dialog.isVisible());
                fillSignIn(dialog, QString::fromStdString(account->name), "");
            }));
        GuiSession::settle();
        QCOMPARE(Session::user()->name, account->name);
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(SignInTest)
#include "SignInTest.moc"
