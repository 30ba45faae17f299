#include "app/FirstStart.h"

#include "app/CKLApp.h"
#include "app/Screens.h"
#include "platform/MessageBox.h"
#include "records/RecordsEngine.h"
#include "store/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Copies without ever replacing: the target is created exclusively, owner-only.
bool copyNew(const QString& from, const QString& to) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const int fd = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        return false;
    QFile target;
    bool ok = target.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
    while (ok && !source.atEnd()) {
        const QByteArray piece = source.read(1 << 20);
        ok = !piece.isEmpty() && target.write(piece) == piece.size();
    }
    target.close();
    ok = ok && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok)
        QFile::remove(to);
    return ok;
}

} // namespace

QString FirstStart::suppliedDatabase() {
    const QString named = qEnvironmentVariable("MEDORA_SUPPLIED_DB");
    if (!named.isEmpty())
        return QFileInfo(named).isFile() ? named : QString();
    const QString dir = CKLApp::programDirectory();
    // Installed, the program is in lib/medora beside share/medora; built, below the top.
    const QString name = Database::fileName;
    for (const QString& candidate : {dir + "../../share/medora/" + name, dir + "../" + name})
        if (QFileInfo(candidate).isFile())
            return QFileInfo(candidate).canonicalFilePath();
    return {};
}

void FirstStart::offerEmptyDatabase(QWidget* owner) {
    if (RecordsEngine::current()->exists())
        return;
    const QFileInfo records(QString::fromStdString(Engine::recordsFile()));
    const QString folder = records.absolutePath();
    const std::string question = "There is no records database (" + records.fileName().toStdString() +
                                 ") in " + folder.toStdString() +
                                 ".\nCreate an empty one now?\n\nChoose No to go on without "
                                 "records; every task will then report that it cannot reach "
                                 "them.";
    if (MessageBox(owner, question, "Confirmation", MsgIcon::Question, MsgButtons::YesNo) != IDYES)
        return;
    const QString supplied = suppliedDatabase();
    if (supplied.isEmpty() || !copyNew(supplied, records.absoluteFilePath()))
        MessageBox(owner,
                   "The empty records database could not be created in " +
                       folder.toStdString() + ".",
                   "Error", MsgIcon::Stop);
}
