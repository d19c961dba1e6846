#include "files/recentfolder_system.h"

namespace RecentFolder {

QString startFolderBeside(const QString &own)
{
    // The editor lives in a folder the user unpacked it to, beside the converters and their
    // files.
    return own;
}

} // namespace RecentFolder
