#pragma once

#include "files/recoverycopy.h"

#include <QString>

#include <functional>
#include <optional>

class Form1;
class QWidget;

// At start, the recovery copies that editors no longer running left behind, offered to the
// user one by one, newest first: restore one, delete it, or keep it for a later start.
namespace RecoveryOffer {

// Asks about each copy no running editor holds; `restore` puts the list of the one the user
// takes into the editor, and `keep` then makes sure the editor's own copy holds it, before
// the old copy goes. After a restore nothing more is asked. Gives the restored list's file
// path (empty for an unnamed list), or nothing when no list was restored.
std::optional<QString> offerLeftCopies(QWidget *owner,
                                       const std::function<void(RecoveryCopy::Contents)> &restore,
                                       const std::function<void()> &keep);

// The editor's start once its window is shown: the offer, then the file named on the command
// line, if any. That file is not opened again when the list restored is that file's: the
// restored list is the file with its unsaved changes, and the file itself stays as it is.
void atStart(Form1 &window, const QString &file);

// The same file: both paths name one file, or the same path when it does not exist.
bool sameFile(const QString &a, const QString &b);

} // namespace RecoveryOffer
