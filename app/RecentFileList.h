#pragma once

#include <QString>

// The four most recently opened files, kept in the per-user settings the way the framework
// always kept them. Nothing shows the list; screens fill it with the marker file's path.
class RecentFileList {
public:
    static constexpr int kSize = 4;

    static void add(const QString& path);
    static QStringList entries();
};
