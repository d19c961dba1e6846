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
