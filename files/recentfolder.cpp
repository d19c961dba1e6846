#include "files/recentfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace RecentFolder {

namespace {

QString &lastFolder()
{
    static QString folder;
    return folder;
}

} // namespace

QString startFolder()
{
    if (!lastFolder().isEmpty() && QFileInfo(lastFolder()).isDir())
        return lastFolder();
    const QString own = QCoreApplication::applicationDirPath();
#ifdef Q_OS_WIN
    // The editor lives in a folder the user unpacked it to, beside the converters and their
    // files.
    return own;
#else
    // An installed editor lives among the system's programs; the user's files are at home.
    return QFileInfo(own).isWritable() ? own : QDir::homePath();
#endif
}

void remember(const QString &filePath)
{
    lastFolder() = QFileInfo(filePath).absolutePath();
}

} // namespace RecentFolder
