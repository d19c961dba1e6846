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

Answer askYesNoCancel(QWidget *owner, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, appTitle(), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, owner);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
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
    QMessageBox box(QMessageBox::NoIcon, appTitle(), text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, owner);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
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
