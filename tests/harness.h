#pragma once

#include "app/form1.h"
#include "map/mapview.h"
#include "props/proptable.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>

// Answers the modal dialogs a test expects, in order, each from the event loop (so that a
// nested dialog a step opens is met too); one no step is left for is closed, so that a test
// fails instead of hanging. `seen` keeps what each said: a message or input box its text, a
// file dialog its mode, title, filters, default suffix and folder.
class ModalScript : public QObject
{
public:
    using Step = std::function<void(QWidget *)>;
    QStringList seen;

    ModalScript()
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalScript::poll), m_timer.start(5);
    }
    ModalScript &then(Step step) { return m_steps.append(std::move(step)), *this; }
    bool done() const { return m_steps.isEmpty(); }
    // Answers separated by '|': ok, yes, no, cancel; =TEXT into an input box; a file's path.
    ModalScript &play(const QString &answers)
    {
        for (const QString &a : answers.split(u'|', Qt::SkipEmptyParts)) {
            then([a](QWidget *w) {
                auto *box = qobject_cast<QMessageBox *>(w);
                if (box && a != "cancel")
                    return box
                            ->button(a == "ok"    ? QMessageBox::Ok
                                     : a == "yes" ? QMessageBox::Yes
                                                  : QMessageBox::No)
                            ->click();
                if (auto *input = qobject_cast<QInputDialog *>(w); input && a.startsWith(u'='))
                    return input->setTextValue(a.mid(1)), input->accept();
                if (auto *files = qobject_cast<QFileDialog *>(w); files && a != "cancel")
                    return choose(files, a);
                static_cast<QDialog *>(w)->reject();
            });
        }
        return *this;
    }
    // Types the path into the dialog's name box and accepts, as a user would: with the dialog
    // active and the box focused, or a name picked in its file list would win.
    static void choose(QPointer<QFileDialog> dialog, const QString &path, int tries = 0)
    {
        if (dialog && QApplication::activeWindow() != dialog && tries < 200)
            return dialog->activateWindow(),
                   QTimer::singleShot(5, [=] { choose(dialog, path, tries + 1); });
        if (auto *edit = dialog ? dialog->findChild<QLineEdit *>("fileNameEdit") : nullptr) {
            edit->setFocus(Qt::OtherFocusReason);
            edit->setText(path);
            dialog->findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Open)
                    ? dialog->findChild<QDialogButtonBox *>("buttonBox")
                              ->button(QDialogButtonBox::Open)
                              ->click()
                    : dialog->findChild<QDialogButtonBox *>("buttonBox")
                              ->button(QDialogButtonBox::Save)
                              ->click();
        }
    }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || (m_last == modal && modal->isVisible()))
            return;
        m_last = modal;
        auto *input = qobject_cast<QInputDialog *>(modal);
        if (auto *d = qobject_cast<QFileDialog *>(modal))
            seen << QString("%1 %2: %3 [%4] in %5")
                            .arg(d->fileMode() == QFileDialog::AnyFile ? "save" : "open",
                                 d->windowTitle(), d->nameFilters().join(u';'), d->defaultSuffix(),
                                 d->directory().absolutePath());
        else
            seen << (input ? input->labelText() : static_cast<QMessageBox *>(modal)->text());
        const Step step = m_steps.isEmpty() ? [](QWidget *w) { static_cast<QDialog *>(w)->reject(); } : m_steps.takeFirst();
        QTimer::singleShot(0, this, [target = QPointer<QWidget>(modal), step] {
            target ? step(target) : void();
        });
    }

    QTimer m_timer;
    QList<Step> m_steps;
    QPointer<QWidget> m_last;
};

// A shown, active main window, its controls found by name, a scratch folder, and a short
// notation for user sessions (run()).
class Harness
{
public:
    std::unique_ptr<Form1> form;
    std::unique_ptr<QTemporaryDir> dir;

    bool start()
    {
        return dir.reset(new QTemporaryDir), form.reset(new Form1), form->show(), reactivate();
    }
    // After a modal dialog the window may stay inactive; a user's next click activates it.
    bool reactivate() { return form->activateWindow(), QTest::qWaitForWindowActive(form.get()); }
    template<typename T = QWidget>
    T *control(const QString &name) const
    {
        T *w = form->findChild<T *>(name);
        return w ? w : (qFatal("no control %s", qPrintable(name)), nullptr);
    }
    QLineEdit *text(int n) const { return control<QLineEdit>(QStringLiteral("Text%1").arg(n)); }
    QPushButton *command(int n) const
    {
        return control<QPushButton>(QStringLiteral("Command%1").arg(n));
    }
    QAbstractItemView *list7() const { return control<QAbstractItemView>("List7"); }
    QAction *action(const QString &name) const { return control<QAction>(name); }
    PropTable *table() const { return form->propTable(); }
    QString path(const QString &name) const { return dir->filePath(name); }
    QString write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        if (!QDir().mkpath(QFileInfo(file).path()) || !file.open(QIODevice::WriteOnly)
            || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
        return file.fileName();
    }
    void pickName(int row, Qt::MouseButton button = Qt::LeftButton) const
    {
        QTest::mouseClick(list7()->viewport(), button, {},
                          list7()->visualRect(table()->index(row)).center());
    }
    // The six boxes, or the rows as "name:f1,...,f6" joined by '|'.
    QString boxes() const
    {
        QStringList texts;
        for (int n = 1; n <= 6; ++n)
            texts << text(n)->text();
        return texts.join(u',');
    }
    QString rows() const
    {
        QStringList all;
        for (const PropRecord &r : table()->records())
            all << r.name + u':' + QStringList(r.fields.begin(), r.fields.end()).join(u',');
        return all.join(u'|');
    }

    // Runs a session of ';'-separated steps and returns what its probes saw, joined by ' '.
    // Steps: open [NAME], save NAME (OpenZRM and SaveZRM on a file of the scratch folder, by
    // default in.txt); menu ACTION; pick N, rpick N (left, right click on a name); type N TEXT
    // (into TextN, which keeps the focus); key KEYS (to the focused widget); click CONTROL;
    // popup (the File menu, opened and closed); move X,Y (the mouse to a drawing point of the
    // map); map (a click on the map); off (a press on the map, released outside it). As only
    // a test can: count TEXT sets the count; fill N LENGTH makes N props of "0" fields and
    // LENGTH-letter names.
    // Probes: ?s count/selected/pending; ?m the mouse position kept; ?b the boxes; ?t the
    // rows, ?r N one row; ?p X,Y a map pixel: R red, B blue, k black, . the plain map, ?
    // other; ?d [N] what the dialogs said since the last ?d (N characters each, 12 unless
    // given; line breaks shown as '/'); ?f NAME a file, CR LF shown as '/'. The scratch folder
    // is shown as '@', the editor's as <editor>.
    QString run(const QString &session, const ModalScript *script = nullptr)
    {
        static const QImage plain = QImage(":/map.bmp").convertToFormat(QImage::Format_RGB32);
        QStringList out;
        qsizetype seen = 0;
        MapView *map = form->mapView();
        for (const QString &step : session.split(u';', Qt::SkipEmptyParts)) {
            const QString verb = step.trimmed().section(u' ', 0, 0),
                          arg = step.trimmed().section(u' ', 1);
            const QStringList numbers = QString(arg).replace(u',', u' ').split(u' ');
            const int n = numbers.value(0).toInt(), y = numbers.value(1).toInt();
            QFile file(path(arg));
            if (!reactivate())
                qWarning("the window stays inactive before %s", qPrintable(step));
            if (verb == "open" || verb == "save")
                verb == "save" ? form->SaveZRM(path(arg))
                               : form->OpenZRM(path(arg.isEmpty() ? "in.txt" : arg));
            else if (verb == "menu")
                action(arg)->trigger();
            else if (verb == "pick" || verb == "rpick")
                pickName(n, verb == "pick" ? Qt::LeftButton : Qt::RightButton);
            else if (verb == "type") {
                QTest::mouseClick(text(n), Qt::LeftButton);
                text(n)->selectAll();
                QTest::keyClicks(text(n), arg.section(u' ', 1));
            } else if (verb == "key")
                QTest::keySequence(QApplication::focusWidget(), QKeySequence(arg));
            else if (verb == "click")
                QTest::mouseClick(control(arg), Qt::LeftButton, {}, QPoint(4, 4));
            else if (verb == "popup") {
                control<QMenu>("mnuFile")->popup(form->mapToGlobal(QPoint(10, 10)));
                QTest::qWaitFor([this] { return control<QMenu>("mnuFile")->isVisible(); })
                        || (qWarning("no menu"), true);
                control<QMenu>("mnuFile")->close();
            } else if (verb == "move" || verb == "map" || verb == "off") {
                if (verb == "move")
                    QTest::mouseMove(map, QPoint(n + 2, y + 2));
                else
                    QTest::mousePress(map, Qt::LeftButton, {}, QPoint(140, 500)),
                            QTest::mouseRelease(map, Qt::LeftButton, {},
                                                QPoint(verb == "map" ? 140 : -30, 500));
            } else if (verb == "count")
                table()->setCountText(arg);
            else if (verb == "fill")
                table()->replace(
                        QString::number(n),
                        QVector<PropRecord>(n, {{"0", "0", "0", "0", "0", "0"}, QString(y, u'x')}));
            else if (verb == "?s")
                out << QStringLiteral("%1/%2/%3")
                                .arg(text(7)->text())
                                .arg(table()->selectedRow())
                                .arg(form->placePending());
            else if (verb == "?m")
                out << QStringLiteral("%1,%2").arg(form->mouseX()).arg(form->mouseY());
            else if (verb == "?b" || verb == "?t" || verb == "?r")
                out << (verb == "?b"   ? boxes()
                        : verb == "?t" ? rows()
                                       : rows().section(u'|', n, n));
            else if (verb == "?p") {
                const QRgb rgb = map->canvas().pixel(n, y);
                out << QString(rgb == plain.pixel(n, y) ? "."
                               : rgb == 0xFFFF0000      ? "R"
                               : rgb == 0xFF0000FF      ? "B"
                               : rgb == 0xFF000000      ? "k"
                                                        : "?");
            } else if (verb == "?d")
                for (out << QString(); script && seen < script->seen.size(); ++seen)
                    out.last() += (out.last().isEmpty() ? "" : "|")
                                  + script->seen[seen]
                                            .left(arg.isEmpty() ? 12 : n)
                                            .replace(u'\n', u'/');
            else if (verb == "?f")
                out << (file.open(QIODevice::ReadOnly)
                                ? QString::fromLatin1(file.readAll()).replace("\r\n", "/")
                                : "<none>");
            else
                qFatal("unknown step %s", qPrintable(step));
        }
        return out.join(u' ')
                .replace(dir->path(), "@")
                .replace(QCoreApplication::applicationDirPath(), "<editor>");
    }
};
