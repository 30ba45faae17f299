#include "app/RecordsSetting.h"

#include "store/ConnectionString.h"
#include "store/Engine.h"

#include <QSettings>

namespace {

const char* kServer = "Records/Server";

} // namespace

std::string RecordsSetting::saved() {
    return QSettings().value(kServer).toString().toStdString();
}

void RecordsSetting::applySaved() {
    Engine::setServerSetting(saved());
}

// A password typed for one server is never offered to another.
void RecordsSetting::choose(const std::string& connection) {
    if (connection != saved())
        Engine::setServerPassword("");
    QSettings settings;
    if (connection.empty())
        settings.remove(kServer);
    else
        settings.setValue(kServer, QString::fromStdString(connection));
    Engine::setServerSetting(connection);
}

bool RecordsSetting::fromEnvironment() {
    return !qEnvironmentVariableIsEmpty("MEDORA_DATABASE");
}

std::string RecordsSetting::statusText() {
    const std::string server = Engine::serverConnection();
    if (server.empty())
        return "Records: this computer";
    const auto parsed = ConnectionString::parse(server);
    return "Records: " + (parsed ? parsed->place() : std::string("clinic server"));
}
