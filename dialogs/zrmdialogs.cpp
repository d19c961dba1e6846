#include "dialogs/zrmdialogs.h"

#include <QInputDialog>
#include <QMessageBox>

namespace ZrmDialogs {

QString appTitle()
{
    return QStringLiteral("ZRM");
}

void showMessage(QWidget *owner, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, appTitle(), text, QMessageBox::Ok, owner);
    box.exec();
}

bool askOkCancel(QWidget *owner, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, appTitle(), text, QMessageBox::Ok | QMessageBox::Cancel,
                    owner);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

namespace {

// A box titled as the application with three standard buttons, the first the default and
// Escape for Cancel; the button clicked.
QMessageBox::StandardButton askThree(QWidget *owner, const QString &text,
                                     QMessageBox::StandardButton first,
                                     QMessageBox::StandardButton second)
{
    QMessageBox box(QMessageBox::NoIcon, appTitle(), text, first | second | QMessageBox::Cancel,
                    owner);
    box.setDefaultButton(first);
    box.setEscapeButton(QMessageBox::Cancel);
    return QMessageBox::StandardButton(box.exec());
}

} // namespace

Answer askYesNoCancel(QWidget *owner, const QString &text)
{
    switch (askThree(owner, text, QMessageBox::Yes, QMessageBox::No)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

SaveAnswer askSaveDiscardCancel(QWidget *owner, const QString &text)
{
    switch (askThree(owner, text, QMessageBox::Save, QMessageBox::Discard)) {
    case QMessageBox::Save:
        return SaveAnswer::Save;
    case QMessageBox::Discard:
        return SaveAnswer::Discard;
    default:
        return SaveAnswer::Cancel;
    }
}

QString askText(QWidget *owner, const QString &prompt)
{
    QInputDialog dialog(owner);
    dialog.setWindowTitle(appTitle());
    dialog.setLabelText(prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(QString());
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

} // namespace ZrmDialogs
