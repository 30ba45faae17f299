#include "app/ServerPasswordDialog.h"

#include "app/ConnectionString.h"
#include "platform/DataExchange.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "store/Engine.h"
#include "store/LastFailure.h"

namespace {

bool passwordRefused(const std::string& server) {
    return !Engine::testServer(server) && LastFailure::kind() == FailureKind::ServerPasswordNeeded;
}

std::string askingFor(const std::string& server) {
    const auto parsed = ConnectionString::parse(server);
    const std::string place = parsed ? parsed->place() : "clinic server";
    const std::string user = parsed ? parsed->value("user") : std::string();
    return "The clinic server asks for " +
           (user.empty() ? std::string("your password") : "the password of " + user) +
           ", for the records on " + place + ".";
}

} // namespace

ServerPasswordDialog::ServerPasswordDialog(QWidget* parent, const std::string& server)
    : Dialog(kServerPasswordForm, parent), server(server), prompt(askingFor(server)) {}

void ServerPasswordDialog::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_PASSWORD_PROMPT, prompt);
    dx.text(IDC_PASSWORD, password);
}

bool ServerPasswordDialog::logIn(QWidget* owner) {
    const std::string server = Engine::serverConnection();
    if (server.empty() || !passwordRefused(server))
        return true;
    return ServerPasswordDialog(owner, server).DoModal() == IDOK;
}

void ServerPasswordDialog::OnOK() {
    UpdateData(true);
    Engine::setServerPassword(password);
    if (!passwordRefused(server)) {
        EndDialog(IDOK);
        return;
    }
    prompt = "The server did not accept that password. Type it again, or choose Cancel to go "
             "on without the records.";
    password.clear();
    UpdateData(false);
    controlWidget(IDC_PASSWORD)->setFocus();
}

// Without the password every operation reports that it cannot reach the records, as it does
// whenever the server turns the program away.
void ServerPasswordDialog::OnCancel() {
    Engine::setServerPassword("");
    EndDialog(IDCANCEL);
}
