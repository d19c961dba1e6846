#pragma once

#include <QString>

// Where file dialogs start. The first starts in the editor's own folder, or on Linux in the
// user's home folder when the user may not write there (an installed editor); every later one in
// the folder of the last file chosen in a dialog or opened otherwise during this run, while
// that folder exists. Nothing is kept between runs.
namespace RecentFolder {

QString startFolder();

// A file was chosen in a file dialog, or opened from the command line or by a drop.
void remember(const QString &filePath);

} // namespace RecentFolder
