// A records file on a network drive: wherever a screen would show its usual error, it names
// the network drive instead, while a file that is simply not there keeps the usual text.

#include "RecordSupport.h"

#include "res/resource.h"
#include "tests/FakedFileSystem.h"

#include <linux/magic.h>

using namespace records;

namespace {

const char* const kNetworkDrive =
    "The records file is on a network drive, where it can be damaged. Use a clinic server for "
    "several computers (see File \u203a Records database\u2026).";

// The records fail for as long as this lives: on a network drive, or not there at all.
class Failure {
public:
    explicit Failure(bool networkDrive) : networkDrive(networkDrive) {
        if (networkDrive)
            fakedFileSystem = NFS_SUPER_MAGIC;
        else
            TestRecords::current().takeAway();
    }
    ~Failure() {
        if (networkDrive)
            fakedFileSystem = 0;
        else
            TestRecords::current().bringBack();
    }

private:
    bool networkDrive;
};

// A place where a screen reports a failed store operation: what gets the screen ready while
// the records work, the user's step that then fails, and the usual texts it shows.
struct Place {
    const char* name;
    std::function<FormBase*(GuiSession&, const std::string& patient)> ready;
    std::function<void(FormBase&)> step;
    std::vector<const char*> usualTexts;
};

FormBase* mainMenu(GuiSession& s, const std::string&) {
    return s.activeView();
}

std::function<void(FormBase&)> clicking(int button) {
    return [button](FormBase& form) { GuiSession::click(form, button); };
}

const std::vector<Place>& places() {
    static const std::vector<Place> all = {
        {"list all patients",
         mainMenu,
         clicking(IDC_MAIN_LIST_ALL),
         {"Error fetching patients list"}},
        {"find by name",
         mainMenu,
         clicking(IDC_MAIN_FIND_NAME),
         {"Error fetching patients names list"}},
        {"clinic information",
         mainMenu,
         clicking(IDC_MAIN_CLINIC_INFO),
         {"Error fetching clinic information"}},
        {"prescription",
         mainMenu,
         clicking(IDC_MAIN_PRESCRIPTION),
         {"Error fetching patients list", "Error fetching medications list"}},
        {"find by number",
         [](GuiSession& s, const std::string& patient) {
             GuiSession::click(*s.activeView(), IDC_MAIN_FIND_ID);
             GuiSession::type(*s.activeView(), IDC_FINDID_PATIENT_ID,
                              QString::fromStdString(patient));
             return s.activeView();
         },
         clicking(IDC_FINDID_LOCATE),
         {"Error fetching patient information"}},
        {"add a patient",
         [](GuiSession& s, const std::string&) {
             GuiSession::click(*s.activeView(), IDC_MAIN_ADD_PATIENT);
             GuiSession::type(*s.activeView(), IDC_ADDNEW_FIRST_NAME, "Amira");
             GuiSession::type(*s.activeView(), IDC_ADDNEW_LAST_NAME, "Haddad");
             GuiSession::key(*s.activeView(), IDC_ADDNEW_DOB, Qt::Key_Down);
             return s.activeView();
         },
         clicking(IDC_ADDNEW_ADD),
         {"Error adding new record"}},
        {"save a patient's details",
         [](GuiSession& s, const std::string& patient) {
             ViewRec* rec = openRecord(s, patient);
             GuiSession::type(*rec, IDC_REC_TELEPHONE, "0");
             return static_cast<FormBase*>(rec);
         },
         clicking(IDC_REC_UPDATE_INFO),
         {"Error updating patient info"}},
        {"a patient's history",
         [](GuiSession& s, const std::string& patient) {
             return static_cast<FormBase*>(openRecord(s, patient));
         },
         clicking(IDC_REC_MEDICAL),
         {"Error retrieving entris"}},
    };
    return all;
}

} // namespace

class NetworkDriveTest : public QObject {
    Q_OBJECT

private slots:
    void theNetworkDriveIsNamedInsteadOfTheUsualError_data() {
        QTest::addColumn<size_t>("place");
        QTest::addColumn<bool>("networkDrive");
        for (size_t i = 0; i < places().size(); ++i) {
            QTest::addRow("%s, network drive", places()[i].name) << i << true;
            QTest::addRow("%s, no file", places()[i].name) << i << false;
        }
    }
    void theNetworkDriveIsNamedInsteadOfTheUsualError() {
        QFETCH(size_t, place);
        QFETCH(bool, networkDrive);
        const Place& at = places()[place];
        GuiSession s;
        FormBase* form = at.ready(s, addPatient());
        QVERIFY(form);
        for (const char* usual : at.usualTexts)
            s.boxes().expectBox({networkDrive ? kNetworkDrive : usual, "Error", MsgIcon::Stop});
        {
            const Failure failure(networkDrive);
            at.step(*form);
        }
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(NetworkDriveTest)
#include "NetworkDriveTest.moc"
