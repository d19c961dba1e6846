#include "app/fieldbox.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>

FieldBox::FieldBox(QWidget *parent)
    : QLineEdit(parent)
{ }

void FieldBox::focusOutEvent(QFocusEvent *event)
{
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason
        || reason == Qt::BacktabFocusReason)
        emit leftForControl();
    QLineEdit::focusOutEvent(event);
}

bool FieldBox::event(QEvent *event)
{
    if ((event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)
        && static_cast<QDropEvent *>(event)->mimeData()->hasUrls()) {
        // A dragged file is no text for the box: the window takes it.
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        // Ctrl+Y, a key of Edit > Redo, redoes typing in a box, as the standard keys do.
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y)) {
            if (event->type() == QEvent::KeyPress)
                redo();
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}
