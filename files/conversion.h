#pragma once

#include <QString>

#include <functional>

class QWidget;

// The Convert menu's guided commands that hand a prop list to the external DOS converters
// (ZRM2TXT.exe and TXT2ZRM.exe) between the binary and the text form.
namespace Conversion {

enum class Direction { ZrmToTxt, TxtToZrm };

// The whole command: finds the converter, explains each step, asks for the source and
// destination files and starts the converter without waiting for it. When the converter ends,
// one message box says whether it worked; after a conversion to text it offers to open the
// text file through openText. Every message box and dialog is owned by owner.
void run(QWidget *owner, Direction direction, std::function<void(const QString &)> openText);

// True when the file name part of path (after the last '\' or '/') has 13 or more
// characters, which the DOS converters cannot take.
bool isNameTooLongForDos(const QString &path);

} // namespace Conversion
