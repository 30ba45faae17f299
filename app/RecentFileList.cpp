#include "app/RecentFileList.h"

#include <QSettings>
#include <QStringList>

namespace {
const QString kSection = "Recent File List";

QString key(int i) {
    return kSection + "/File" + QString::number(i + 1);
}
} // namespace

QStringList RecentFileList::entries() {
    QSettings settings;
    QStringList files;
    for (int i = 0; i < kSize; ++i) {
        const QString file = settings.value(key(i)).toString();
        if (!file.isEmpty())
            files << file;
    }
    return files;
}

void RecentFileList::add(const QString& path) {
    QStringList files = entries();
    if (!files.isEmpty() && files.first() == path)
        return;
    files.removeAll(path);
    files.prepend(path);
    QSettings settings;
    for (int i = 0; i < kSize; ++i)
        settings.setValue(key(i), i < files.size() ? files[i] : QString());
}
