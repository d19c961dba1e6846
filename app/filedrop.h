#pragma once

#include <QString>

class QDropEvent;
class QMimeData;

// How the window takes a file dragged onto it: one local regular file, always as a copy.
namespace FileDrop {

// The one local regular file a drag carries; empty for several files or anything else.
QString droppedFile(const QMimeData *data);

// Accepts the drag or drop as a copy when it carries such a file; false when it is refused.
bool acceptAsCopy(QDropEvent *event);

} // namespace FileDrop
