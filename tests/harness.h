#pragma once

#include "app/form1.h"
#include "map/mapview.h"
#include "props/proptable.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>

// The cases of a data file in tests/data that have the last of `keys`, as the rows of a
// data-driven test with a QString column a key: blocks parted by blank lines, each a "# name"
// line and "key: value" lines, where \r, \n, \t, \0 and \\ stand for their characters.
// A block of '#' lines only is a comment.
inline void addCases(const char *file, const QStringList &keys)
{
    QFile data(QStringLiteral(ZRM_TEST_DATA "/") + file);
    if (!data.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("cannot read %s", file);
    static QList<QByteArray> names; // QTest keeps the pointer to a column's name
    for (const QString &key : keys)
        QTest::addColumn<QString>((names << key.toLatin1()).constLast().constData());
    for (const QString &block : QString::fromUtf8(data.readAll()).split("\n\n")) {
        QMap<QString, QString> value;
        for (const QString &line : block.split(u'\n'))
            value[line.section(u':', 0, 0)] = line.section(u':', 1).mid(1);
        if (!block.startsWith("# ") || block.section(u'\n', 1, 1).startsWith(u'#')
            || !value.contains(keys.last()))
            continue; // a comment, or a case of another test
        QTestData &row = QTest::newRow(qPrintable(block.section(u'\n', 0, 0).mid(2)));
        for (const QString &key : keys) {
            QString text;
            for (qsizetype i = 0, n = value[key].size(); i < n; ++i) {
                const QChar c = value[key][i], next = i + 1 < n ? value[key][i + 1] : QChar();
                text += c != u'\\' ? c
                                   : (++i, next == u'r'   ? u'\r'
                                           : next == u'n' ? u'\n'
                                           : next == u't' ? u'\t'
                                           : next == u'0' ? QChar()
                                                          : next);
            }
            row << text;
        }
    }
}

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
    // Answers separated by '|': ok, yes, no, cancel, enter (the Return key); into an input box
    // =TEXT or, typed and then cancelled, ~TEXT; a file's path.
    ModalScript &play(const QString &answers)
    {
        for (const QString &a : answers.split(u'|', Qt::SkipEmptyParts)) {
            then([a](QWidget *w) {
                auto *box = qobject_cast<QMessageBox *>(w);
                if (a == "enter")
                    return QTest::keyClick(w, Qt::Key_Return);
                const auto button = a == "ok"    ? QMessageBox::Ok
                                    : a == "yes" ? QMessageBox::Yes
                                                 : QMessageBox::No;
                if (box && box->button(button) && a != "cancel") // else a step out of turn: closed
                    return box->button(button)->click();
                if (auto *input = qobject_cast<QInputDialog *>(w);
                    input && a.contains(QRegularExpression("^[=~]")))
                    return input->setTextValue(a.mid(1)),
                           a[0] == u'=' ? input->accept() : input->reject();
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
            for (QAbstractButton *b : dialog->findChild<QDialogButtonBox *>("buttonBox")->buttons())
                if (b->text() == dialog->labelText(QFileDialog::Accept))
                    b->click();
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
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (auto *d = qobject_cast<QFileDialog *>(modal))
            seen << QString("%1 %2: %3 [%4] in %5")
                            .arg(d->fileMode() == QFileDialog::AnyFile ? "save" : "open",
                                 d->windowTitle(), d->nameFilters().join(u';'), d->defaultSuffix(),
                                 d->directory().absolutePath());
        else
            seen << (input ? input->labelText() : box ? box->text() : modal->windowTitle());
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
        return all.isEmpty() ? QStringLiteral("-") : all.join(u'|');
    }

    // Runs a session of ';'-separated steps and returns what its probes saw, joined by ' '.
    // Files are named in the scratch folder, shown as '@' (the editor's folder as <editor>; see
    // scrub()).
    // Steps, each repeated N times when written "Nx STEP":
    //   open [NAME], save NAME   OpenZRM, SaveZRM (NAME in.txt unless given)
    //   given NAME               opened as from the command line
    //   drop CONTROL ITEMS...    files (or addresses with "://") dragged onto CONTROL
    //   write NAME TEXT, rmdir NAME
    //   menu ACTION, click CONTROL, key KEYS (to the focused widget)
    //   pick N, rpick N          a left or right click on a name
    //   type N TEXT              into TextN, which keeps the focus
    //   popup                    the File menu, opened and closed
    //   move X,Y; map; off       the mouse to a drawing point of the map; a click on the map;
    //                            a press on the map released outside it
    //   count TEXT; fill N LENGTH  as only a test can: the count; N props of "0" fields and
    //                            LENGTH-letter names
    // Probes: ?s count/selected/pending; ?m the mouse position kept; ?b the boxes; ?t the rows,
    // ?r N one row; ?p X,Y a map pixel: R red, B blue, k black, . the plain map, ? other;
    // ?v whether the window is shown; ?fresh whether the map is as Draw Props on Map would draw it;
    // ?u Edit > Undo and Redo
    // ("-" disabled); ?k the focused control; ?g the layout; ?menu the menus (=their keys);
    // ?tip X,Y the map's tooltip; ?d [N] what the dialogs said since the last ?d (N characters
    // each, 12 unless given); ?f NAME a file. Line ends show as '/'.
    QString run(const QString &session, const ModalScript *script = nullptr)
    {
        static const QImage plain = QImage(":/map.bmp").convertToFormat(QImage::Format_RGB32);
        QStringList out;
        qsizetype seen = 0;
        MapView *map = form->mapView();
        for (QString step : session.split(u';', Qt::SkipEmptyParts)) {
            step = step.trimmed();
            const int times = QRegularExpression("^\\d+x ").match(step).hasMatch()
                                      ? step.section(u'x', 0, 0).toInt()
                                      : 1;
            step = times > 1 || step.startsWith("1x ") ? step.section(u' ', 1) : step;
            const QString verb = step.section(u' ', 0, 0), arg = step.section(u' ', 1);
            const QStringList words = QString(arg).replace(u',', u' ').split(u' ');
            const int n = words.value(0).toInt(), y = words.value(1).toInt();
            QFile file(path(arg));
            for (int i = 0; i < times; ++i) {
                if (!reactivate())
                    qWarning("the window stays inactive before %s", qPrintable(step));
                if (verb == "open" || verb == "save" || verb == "given")
                    verb == "save"    ? form->SaveZRM(path(arg))
                    : verb == "given" ? form->openFile(path(arg))
                                      : form->OpenZRM(path(arg.isEmpty() ? "in.txt" : arg));
                else if (verb == "drop") {
                    QMimeData data;
                    QList<QUrl> urls;
                    for (const QString &item : words.mid(1))
                        urls << (item.contains("://") ? QUrl(item)
                                                      : QUrl::fromLocalFile(path(item)));
                    data.setUrls(urls);
                    data.setText(urls.value(0).toString());
                    QWidget *target = control(words.value(0));
                    QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, &data, Qt::LeftButton, {});
                    while (target
                           && !(target->acceptDrops() && QApplication::sendEvent(target, &enter)
                                && enter.isAccepted()))
                        target = target->parentWidget();
                    QDropEvent dropped(QPoint(4, 4), Qt::CopyAction, &data, Qt::LeftButton, {});
                    if (target)
                        QApplication::sendEvent(target, &dropped);
                } else if (verb == "write" || verb == "rmdir")
                    verb == "write" ? void(write(words.value(0), arg.section(u' ', 1).toUtf8()))
                                    : void(QDir(path(arg)).removeRecursively());
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
                    auto *menu = control<QMenu>("mnuFile");
                    menu->popup(form->mapToGlobal(QPoint(10, 10)));
                    if (QTest::qWaitFor([menu] { return menu->isVisible(); }))
                        menu->close();
                } else if (verb == "move")
                    QTest::mouseMove(map, QPoint(n + 2, y + 2));
                else if (verb == "map" || verb == "off") {
                    QTest::mousePress(map, Qt::LeftButton, {}, QPoint(140, 500));
                    QTest::mouseRelease(map, Qt::LeftButton, {},
                                        QPoint(verb == "map" ? 140 : -30, 500));
                } else if (verb == "count")
                    table()->setCountText(arg);
                else if (verb == "fill")
                    table()->replace(QString::number(n),
                                     QVector<PropRecord>(n, {{"0", "0", "0", "0", "0", "0"},
                                                             QString(y, u'x')}));
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
                } else if (verb == "?fresh") {
                    const QImage shown = map->canvas();
                    form->DrawMap();
                    out << (map->canvas() == shown ? "fresh" : "stale");
                } else if (verb == "?u") {
                    for (QAction *a : {action("mnuEUndo"), action("mnuERedo")})
                        out << (a->isEnabled() ? a->text() : "-");
                } else if (verb == "?v")
                    out << (form->isVisible() ? "shown" : "hidden");
                else if (verb == "?k")
                    out << QApplication::focusWidget()->objectName();
                else if (verb == "?g") {
                    out << QString("%1x%2")
                                    .arg(form->centralWidget()->width())
                                    .arg(form->centralWidget()->height());
                    for (QWidget *w : form->centralWidget()->findChildren<QWidget *>(
                                 QString(), Qt::FindDirectChildrenOnly))
                        if (!w->inherits("QLabel"))
                            out << QString("%1:%2,%3,%4,%5")
                                            .arg(w->objectName())
                                            .arg(w->x())
                                            .arg(w->y())
                                            .arg(w->width())
                                            .arg(w->height());
                } else if (verb == "?menu") {
                    for (QAction *m : form->menuBar()->actions())
                        for (QAction *a : QList<QAction *>{m} + m->menu()->actions())
                            out << (a == m ? m->menu() : static_cast<QObject *>(a))->objectName()
                                            + (a->isSeparator() ? "" : ':' + a->text())
                                            + QKeySequence::listToString(a->shortcuts())
                                                      .prepend(u'=')
                                                      .remove(QRegularExpression("^=$| "));
                } else if (verb == "?tip") {
                    QHelpEvent help(QEvent::ToolTip, QPoint(n + 2, y + 2),
                                    map->mapToGlobal(QPoint(n + 2, y + 2)));
                    QApplication::sendEvent(map, &help);
                    out << QToolTip::text();
                } else if (verb == "?d")
                    for (out << QString(); script && seen < script->seen.size(); ++seen)
                        out.last() += (out.last().isEmpty() ? "" : "|")
                                      + scrub(script->seen[seen]).left(arg.isEmpty() ? 12 : n);
                else if (verb == "?f")
                    out << (file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll())
                                                           : "<none>");
                else
                    qFatal("unknown step %s", qPrintable(step));
            }
        }
        return scrub(out.join(u' ')).replace("\r\n", "/").replace(u'\n', u'/');
    }
    // Paths read alike on every system: the scratch folder as '@', the editor's as <editor>,
    // and the '\' that Windows writes as '/'.
    QString scrub(const QString &text) const
    {
        return QDir::fromNativeSeparators(text)
                .replace(dir->path(), "@")
                .replace(QCoreApplication::applicationDirPath(), "<editor>");
    }
};
