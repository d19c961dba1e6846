#pragma once

#include <QString>

class QWidget;

// The Convert menu's guided commands that hand a prop list to the external DOS converters
// (ZRM2TXT.exe and TXT2ZRM.exe) between the binary and the text form.
namespace Conversion {

enum class Direction { ZrmToTxt, TxtToZrm };

// The whole command: explains each step, asks for the source and destination files and
// starts the converter without waiting for it. Every message box and dialog is owned by owner.
void run(QWidget *owner, Direction direction);

// True when the file name part of path (after the last '\' or '/') has 13 or more
// characters, which the DOS converters cannot take.
bool isNameTooLongForDos(const QString &path);

} // namespace Conversion
