#include "files/recentfolder_system.h"

#include <QDir>
#include <QFileInfo>

namespace RecentFolder {

QString startFolderBeside(const QString &own)
{
    // An installed editor lives among the system's programs; the user's files are at home.
    return QFileInfo(own).isWritable() ? own : QDir::homePath();
}

} // namespace RecentFolder
