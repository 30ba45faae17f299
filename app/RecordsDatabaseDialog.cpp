#include "app/RecordsDatabaseDialog.h"

#include "app/RecordsSetting.h"
#include "platform/DataExchange.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "store/Engine.h"
#include "store/LastFailure.h"

#include <QRadioButton>

namespace {

const char* kCaption = "Records database";

const int kServerControls[] = {IDC_RECORDS_HOST, IDC_RECORDS_PORT,     IDC_RECORDS_DBNAME,
                               IDC_RECORDS_USER, IDC_RECORDS_PASSWORD, IDC_RECORDS_TEST};

std::string testOutcome(bool holdsRecords, const std::string& user) {
    if (holdsRecords)
        return "Connected: the server holds Medora's records.";
    switch (LastFailure::kind()) {
    case FailureKind::LoginUnknown:
        return (user.empty() ? std::string("The server does not know this computer's login "
                                           "name as a user.")
                             : "The server does not know the user \u201c" + user + "\u201d.") +
               " Check the user name, or ask whoever runs the server to make that login.";
    case FailureKind::ServerUnreachable:
        return "The server could not be reached, or it holds no database of that name. Check "
               "the host, port and database, and that the server is running.";
    case FailureKind::ServerPasswordNeeded:
        return "The server asks for a password, and none is known or the one given is wrong. "
               "Put it in ~/.pgpass, or type it when the program asks for it.";
    case FailureKind::ServerTooOld:
    case FailureKind::ServerTooNew:
        return LastFailure::message();
    default:
        return "The server answered, but this database does not hold Medora's records, or this "
               "user may not read them.";
    }
}

} // namespace

RecordsDatabaseDialog::RecordsDatabaseDialog(QWidget* parent)
    : Dialog(kRecordsDatabaseForm, parent), fromEnvironment(RecordsSetting::fromEnvironment()) {
    connect(control<QRadioButton>(IDC_RECORDS_SERVER), &QRadioButton::toggled, this,
            [this] { showChoice(); });
    onClicked(IDC_RECORDS_TEST, [this] { testConnection(); });
}

void RecordsDatabaseDialog::DoDataExchange(DataExchange& dx) {
    dx.radio(IDC_RECORDS_FILE, choice);
    dx.text(IDC_RECORDS_HOST, host, 255);
    dx.text(IDC_RECORDS_PORT, port, 5);
    dx.text(IDC_RECORDS_DBNAME, database, 63);
    dx.text(IDC_RECORDS_USER, user, 63);
    dx.text(IDC_RECORDS_PASSWORD, password);
}

bool RecordsDatabaseDialog::OnInitDialog() {
    const std::string inUse = Engine::serverConnection();
    choice = inUse.empty() ? ThisComputer : ClinicServer;
    server = ConnectionString::parse(inUse).value_or(ConnectionString());
    host = server.value("host");
    port = server.value("port");
    database = server.value("dbname");
    user = server.value("user");
    if (fromEnvironment)
        setControlText(IDC_RECORDS_NOTE,
                       "The environment variable MEDORA_DATABASE chooses the records this "
                       "program uses. Change or remove it to choose here.");
    Dialog::OnInitDialog();
    showChoice();
    shownSetting = chosenSetting();
    return true;
}

void RecordsDatabaseDialog::showChoice() {
    const bool onServer = control<QRadioButton>(IDC_RECORDS_SERVER)->isChecked();
    enableControl(IDC_RECORDS_FILE, !fromEnvironment);
    enableControl(IDC_RECORDS_SERVER, !fromEnvironment);
    for (int id : kServerControls)
        enableControl(id, onServer && (!fromEnvironment || id == IDC_RECORDS_TEST ||
                                       id == IDC_RECORDS_PASSWORD));
}

std::string RecordsDatabaseDialog::chosenSetting() {
    UpdateData(true);
    if (choice != ClinicServer)
        return {};
    ConnectionString chosen = server;
    chosen.set("host", host);
    chosen.set("port", port);
    chosen.set("dbname", database);
    chosen.set("user", user);
    // A password written into the setting by hand would be stored; libpq's password file
    // or the start-up question gives it instead.
    chosen.set("password", "");
    return chosen.text();
}

// A password typed here is tried in place of any other, and kept nowhere.
void RecordsDatabaseDialog::testConnection() {
    UpdateData(true);
    const std::string tested = fromEnvironment ? Engine::serverConnection() : chosenSetting();
    const bool holdsRecords = Engine::testServer(tested, password);
    const auto named = ConnectionString::parse(tested);
    MessageBox(this, testOutcome(holdsRecords, named ? named->value("user") : std::string()),
               kCaption, holdsRecords ? MsgIcon::Information : MsgIcon::Exclamation);
}

void RecordsDatabaseDialog::OnOK() {
    const std::string setting = chosenSetting();
    if (fromEnvironment || setting == shownSetting) {
        EndDialog(IDOK);
        return;
    }
    if (choice == ClinicServer && setting.empty()) {
        MessageBox(this, "Fill in the clinic server's host and database.", kCaption,
                   MsgIcon::Exclamation);
        return;
    }
    if (screensOpen) {
        MessageBox(this,
                   "Return to the main menu before choosing other records: the screens open "
                   "now show the records in use.",
                   kCaption, MsgIcon::Exclamation);
        return;
    }
    RecordsSetting::choose(setting);
    EndDialog(IDOK);
}
