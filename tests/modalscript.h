#pragma once

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <functional>

// Answers the modal dialogs a test expects, in order. Each new modal dialog is met by the
// next step, run from the event loop (not from the polling slot, so a nested modal that a
// step opens is met as well). What every dialog said is recorded in `seen`.
class ModalScript : public QObject
{
public:
    using Step = std::function<void(QWidget *)>;

    ModalScript()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }

    ModalScript &then(Step step)
    {
        m_steps.append(std::move(step));
        return *this;
    }

    // Answers a message box with one of its buttons.
    ModalScript &press(QMessageBox::StandardButton button)
    {
        return then([button](QWidget *w) {
            if (auto *box = qobject_cast<QMessageBox *>(w))
                box->button(button)->click();
        });
    }
    ModalScript &ok() { return press(QMessageBox::Ok); }

    // Closes any dialog as Cancel, Esc or its close box would.
    ModalScript &cancel()
    {
        return then([](QWidget *w) {
            if (auto *dialog = qobject_cast<QDialog *>(w))
                dialog->reject();
        });
    }

    // Types an answer into an input box and presses OK.
    ModalScript &answer(const QString &text)
    {
        return then([text](QWidget *w) {
            if (auto *input = qobject_cast<QInputDialog *>(w)) {
                input->setTextValue(text);
                input->accept();
            }
        });
    }

    // Types a path into a file dialog's name box and accepts it, as a user would: with the
    // dialog active and the name box focused (otherwise a name selected in the file list
    // would win over the typed one).
    ModalScript &chooseFile(const QString &path)
    {
        return then([path](QWidget *w) {
            typeIntoFileDialog(qobject_cast<QFileDialog *>(w), path, 0);
        });
    }

    // The same for a file dialog met without a script: types the path and presses Open or
    // Save (waiting, as chooseFile does, until the dialog is the active window).
    static void acceptFileName(QFileDialog *dialog, const QString &path)
    {
        typeIntoFileDialog(dialog, path, 0);
    }

    bool done() const { return m_steps.isEmpty(); }

    struct Seen
    {
        QString className;
        QString title;
        QString text;
    };
    QList<Seen> seen;

private:
    static void typeIntoFileDialog(QPointer<QFileDialog> dialog, const QString &path, int tries)
    {
        if (!dialog)
            return;
        if (QApplication::activeWindow() != dialog && tries < 200) {
            dialog->activateWindow();
            QTimer::singleShot(
                    5, [dialog, path, tries] { typeIntoFileDialog(dialog, path, tries + 1); });
            return;
        }
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        edit->setFocus(Qt::OtherFocusReason);
        edit->setText(path);
        const auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        for (QAbstractButton *button : buttons->buttons()) {
            if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
                button->click();
        }
    }

    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || m_steps.isEmpty() || (m_last == modal && modal->isVisible()))
            return;
        m_last = modal;
        Seen s{QString::fromLatin1(modal->metaObject()->className()), modal->windowTitle(), {}};
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            s.text = box->text();
        else if (auto *input = qobject_cast<QInputDialog *>(modal))
            s.text = input->labelText();
        seen.append(s);
        Step step = m_steps.takeFirst();
        QPointer<QWidget> target(modal);
        QTimer::singleShot(0, this, [target, step] {
            if (target)
                step(target);
        });
    }

    QTimer m_timer;
    QList<Step> m_steps;
    QPointer<QWidget> m_last;
};
