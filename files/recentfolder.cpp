#include "files/recentfolder.h"
#include "files/recentfolder_system.h"

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
    return startFolderBeside(own);
}

void remember(const QString &filePath)
{
    lastFolder() = QFileInfo(filePath).absolutePath();
}

} // namespace RecentFolder
