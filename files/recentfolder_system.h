#pragma once

#include <QString>

namespace RecentFolder {

// Where file dialogs start before any file was chosen, for an editor that lives in `own`.
QString startFolderBeside(const QString &own);

} // namespace RecentFolder
