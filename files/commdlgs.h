#pragma once

#include <QString>

class QWidget;

// The editor's single way of asking the user for a file name to open or save.
namespace CommDlgs {

// The longest initial file name the dialog takes, as the file buffer of the system's dialog
// holds it.
constexpr int MaxInitialFileName = 250;

// Shows a modal file dialog owned by owner and returns the chosen file's full path, or the
// empty text when the user cancels. action 1 opens an existing file; any other value saves
// (asking before an existing file is replaced). filter holds description/pattern pairs, each
// ended by a NUL character, e.g. "ZRM Files\0*.ZRM\0"; the first pair is preselected.
// defaultExtension (no dot) is appended to a typed name without one; "*" or "" means none.
// The chosen file's folder is where the next dialog starts (RecentFolder).
QString ShowFileDialog(QWidget *owner, qint16 action, const QString &title,
                       const QString &initialFileName, const QString &filter,
                       const QString &initialFolder, const QString &defaultExtension);

} // namespace CommDlgs
