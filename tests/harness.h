#pragma once

#include "app/form1.h"
#include "app/largemap.h"
#include "map/mapview.h"
#include "props/proptextfile.h"
#include "props/proptable.h"

#include <QtTest>
#include <QtWidgets>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// Words of 16-bit Windows that windows.h still makes macros of; tests use them as names.
#undef near
#undef far
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// Every test program's editor windows keep their recovery copies in a folder of their own, so
// that no window is offered another test's copies, or the user's.
inline const bool recoveryCopiesOfTheirOwn = [] {
    static QTemporaryDir folder;
    qputenv("ZRM_DATA_DIR", QFile::encodeName(folder.path()));
    return true;
}();

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
// fails instead of hanging. A dialog is met when it is shown, and once more only when a box it
// showed over itself is gone and it is still open (a Save dialog that refused a name): one
// that is closing after its box is not met again. `seen` keeps what each said: a message or
// input box its text, a file dialog its mode, title, filters, default suffix and folder.
// A dialog the next answer does not fit, or that stays open after it with nothing shown over
// it, is closed and the script gives up: `failure` says what it found, and every later dialog
// is closed at once.
class ModalScript : public QObject
{
public:
    using Step = std::function<void(QWidget *)>;
    QStringList seen;
    QString failure;

    ModalScript() { qApp->installEventFilter(this); }
    ModalScript &then(Step step) { return m_steps.append(std::move(step)), *this; }
    bool done() const { return m_steps.isEmpty() && failure.isEmpty(); }
    // Answers separated by '|': ok, yes, no, save, discard, cancel, enter (the Return key),
    // escape; into an input box
    // =TEXT or, typed and then cancelled, ~TEXT; a file's absolute path.
    ModalScript &play(const QString &answers)
    {
        for (const QString &a : answers.split(u'|', Qt::SkipEmptyParts)) {
            then([this, a](QWidget *w) {
                auto *box = qobject_cast<QMessageBox *>(w);
                auto *input = qobject_cast<QInputDialog *>(w);
                auto *files = qobject_cast<QFileDialog *>(w);
                const auto button = a == "ok"        ? QMessageBox::Ok
                                    : a == "yes"     ? QMessageBox::Yes
                                    : a == "save"    ? QMessageBox::Save
                                    : a == "discard" ? QMessageBox::Discard
                                                     : QMessageBox::No;
                if (a == "enter" || a == "escape")
                    QTest::keyClick(w, a == "enter" ? Qt::Key_Return : Qt::Key_Escape);
                else if (a == "cancel" || !(box || input || files))
                    static_cast<QDialog *>(w)->reject();
                else if (box && box->button(button)
                         && QStringList{"ok", "yes", "no", "save", "discard"}.contains(a))
                    box->button(button)->click();
                else if (input && a.contains(QRegularExpression("^[=~]")))
                    input->setTextValue(a.mid(1)), a[0] == u'=' ? input->accept() : input->reject();
                else if (files && QDir::isAbsolutePath(a))
                    choose(files, a, 0, this);
                else
                    fail(w, "has no answer " + a);
            });
        }
        return *this;
    }
    // Types the path into the dialog's name box and accepts, as a user would: with the dialog
    // active and the box focused, or a name picked in its file list would win. One that does
    // not take the name (an Open dialog's for a file that is not there) is closed, or, for a
    // script, fails it.
    static void choose(QPointer<QFileDialog> dialog, const QString &path, int tries = 0,
                       QPointer<ModalScript> script = nullptr)
    {
        if (dialog && QApplication::activeWindow() != dialog && tries < 200)
            return dialog->activateWindow(),
                   QTimer::singleShot(5, [=] { choose(dialog, path, tries + 1, script); });
        auto *edit = dialog ? dialog->findChild<QLineEdit *>("fileNameEdit") : nullptr;
        auto *buttons = dialog ? dialog->findChild<QDialogButtonBox *>("buttonBox") : nullptr;
        if (!edit || !buttons)
            return dialog && script ? script->fail(dialog, "has no name box") : void();
        edit->setFocus(Qt::OtherFocusReason);
        edit->setText(path);
        QStringList found;
        for (QAbstractButton *b : buttons->buttons()) {
            found << b->text() + (b->isEnabled() ? "" : " (disabled)");
            if (b->text() != dialog->labelText(QFileDialog::Accept) || !b->isEnabled())
                continue;
            const qsizetype met = script ? script->seen.size() : 0;
            b->click();
            if (dialog && dialog->isVisible() && script && script->seen.size() == met)
                script->fail(dialog, "stays open, nothing shown over it, after " + path);
            return;
        }
        script ? script->fail(dialog,
                              "cannot take " + path + ": its buttons are " + found.join(", "))
               : dialog->reject();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *modal = qobject_cast<QDialog *>(watched);
        if (event->type() == QEvent::Show && !event->spontaneous() && modal && modal->isModal())
            meet(modal);
        return false;
    }

private:
    void fail(QWidget *dialog, const QString &why)
    {
        if (failure.isEmpty())
            failure = QString("the dialog \"%1\" %2").arg(m_shown.value(dialog), why);
        static_cast<QDialog *>(dialog)->reject();
    }
    void meet(QDialog *modal)
    {
        auto *input = qobject_cast<QInputDialog *>(modal);
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (auto *d = qobject_cast<QFileDialog *>(modal)) {
            // An Open dialog takes one existing file, a Save dialog any name (a "?" after the
            // mode when the two are mixed); the filter selected comes first.
            const bool save = d->acceptMode() == QFileDialog::AcceptSave;
            QStringList filters = d->nameFilters();
            if (filters.contains(d->selectedNameFilter()))
                filters.move(filters.indexOf(d->selectedNameFilter()), 0);
            const bool mixed
                    = d->fileMode() != (save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
            seen << QString("%1 %2: %3 [%4] in %5")
                            .arg(QString(save ? "save" : "open") + (mixed ? "?" : ""),
                                 d->windowTitle(), filters.join(u';'), d->defaultSuffix(),
                                 d->directory().absolutePath());
        } else
            seen << (input ? input->labelText() : box ? box->text() : modal->windowTitle());
        m_shown[modal] = seen.constLast();
        // The box's caller goes on once the box is destroyed; the dialog it stood over is
        // then either closed or still waiting for an answer.
        const QPointer<QDialog> under = qobject_cast<QDialog *>(
                modal->parentWidget() ? modal->parentWidget()->window() : nullptr);
        connect(modal, &QObject::destroyed, this, [this, under] {
            QTimer::singleShot(0, this, [this, under] {
                if (under && under->isVisible() && under == QApplication::activeModalWidget())
                    meet(under);
            });
        });
        const Step step = m_steps.isEmpty() || !failure.isEmpty()
                                  ? [](QWidget *w) { static_cast<QDialog *>(w)->reject(); }
                                  : m_steps.takeFirst();
        // Acted on from the dialog's own event loop, once it runs.
        QTimer::singleShot(0, this, [target = QPointer<QWidget>(modal), step] {
            target ? step(target) : void();
        });
    }

    QList<Step> m_steps;
    QHash<QWidget *, QString> m_shown; // what each dialog met said, for a failure
};

#ifdef Q_OS_WIN
// A named pipe (Windows keeps them apart from files, as \\.\pipe\NAME), and a watchdog that
// from a few seconds on writes a line to whoever connected to it and hangs up: an editor stuck
// reading the pipe then fails its test instead of hanging the whole run.
class PipeWatchdog
{
public:
    explicit PipeWatchdog(const QString &path)
        : m_path(QDir::toNativeSeparators(path).toStdWString())
    {
        HANDLE pipe = listen();
        if (pipe == INVALID_HANDLE_VALUE || !m_stop)
            qFatal("cannot make the pipe %s", qPrintable(path));
        m_thread = std::thread([this, pipe]() mutable {
            const auto wake = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            OVERLAPPED io = {};
            io.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            const HANDLE events[] = {m_stop, io.hEvent};
            auto done = [&](BOOL started) {
                DWORD bytes;
                return started || GetLastError() == ERROR_PIPE_CONNECTED
                       || (GetLastError() == ERROR_IO_PENDING
                           && WaitForMultipleObjects(2, events, FALSE, INFINITE)
                                      == WAIT_OBJECT_0 + 1
                           && GetOverlappedResult(pipe, &io, &bytes, FALSE));
            };
            while (pipe != INVALID_HANDLE_VALUE) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        wake - std::chrono::steady_clock::now());
                if (done(ConnectNamedPipe(pipe, &io))) {
                    m_freed = true;
                    if (WaitForSingleObject(m_stop, DWORD(std::max<qint64>(0, left.count())))
                        == WAIT_TIMEOUT)
                        done(WriteFile(pipe, "stuck\n", 6, nullptr, &io));
                }
                CancelIo(pipe);
                CloseHandle(pipe);
                pipe = WaitForSingleObject(m_stop, 0) == WAIT_TIMEOUT ? listen()
                                                                      : INVALID_HANDLE_VALUE;
            }
            CloseHandle(io.hEvent);
        });
    }
    // Someone opened the pipe, where a read would have waited for good.
    bool freed() const { return m_freed; }
    ~PipeWatchdog()
    {
        SetEvent(m_stop);
        m_thread.join();
        CloseHandle(m_stop);
    }

private:
    // One end of the pipe, waiting for the other to be opened.
    HANDLE listen()
    {
        if (!m_stop)
            m_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        return CreateNamedPipeW(m_path.c_str(), PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED,
                                PIPE_TYPE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES, 64, 64, 0,
                                nullptr);
    }

    std::wstring m_path;
    HANDLE m_stop = nullptr;
    std::atomic<bool> m_freed = false;
    std::thread m_thread;
};
#else
// A named pipe, and a watchdog that from a few seconds on opens its other end for anyone
// waiting to read it and writes into it: an editor stuck opening the pipe then fails its test
// instead of hanging the whole run.
class PipeWatchdog
{
public:
    explicit PipeWatchdog(const QString &path)
        : m_path(QFile::encodeName(path))
    {
        if (mkfifo(m_path.constData(), 0600) != 0)
            qFatal("cannot make the pipe %s", m_path.constData());
        m_thread = std::thread([this] {
            std::unique_lock<std::mutex> lock(m_mutex);
            auto stopped = [this] {
                return m_stop;
            };
            if (m_stopped.wait_for(lock, std::chrono::seconds(5), stopped))
                return;
            // Without a reader waiting, the pipe does not open and nothing is written.
            do {
                const int end = open(m_path.constData(), O_WRONLY | O_NONBLOCK);
                if (end >= 0)
                    m_freed = true, (void)!write(end, "stuck\n", 6), close(end);
            } while (!m_stopped.wait_for(lock, std::chrono::milliseconds(100), stopped));
        });
    }
    // Someone was stuck opening the pipe until the watchdog opened its other end.
    bool freed() const { return m_freed; }
    ~PipeWatchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_stopped.notify_all();
        m_thread.join();
    }

private:
    QByteArray m_path;
    std::atomic<bool> m_freed = false;
    std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_stop = false;
    std::thread m_thread;
};
#endif

// A shown, active main window, its controls found by name, a scratch folder, and a short
// notation for user sessions (run()).
class Harness
{
public:
    std::unique_ptr<Form1> form;
    std::unique_ptr<QTemporaryDir> dir;
    // The named pipes made by the session, by their names in it, and where Windows keeps them.
    std::map<QString, std::unique_ptr<PipeWatchdog>> pipes;
    QMap<QString, QString> pipePaths;
    QPoint mouse{2, 2}; // where the mouse last moved to on the map, in widget coordinates

    bool start()
    {
        mouse = QPoint(2, 2);
        pipes.clear();
        pipePaths.clear();
        return dir.reset(new QTemporaryDir), form.reset(new Form1), form->show(), reactivate();
    }
    // After a modal dialog the window may stay inactive; a user's next click activates it.
    // The main window itself, not only counted as active while the large map is.
    bool reactivate()
    {
        form->activateWindow();
        return QTest::qWaitFor([this] { return QApplication::activeWindow() == form.get(); });
    }
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
    QString path(const QString &name) const { return pipePaths.value(name, dir->filePath(name)); }
    // A pipe NAME of the session (see PipeWatchdog): in the scratch folder, or where Windows
    // keeps pipes.
    void makePipe(const QString &name)
    {
#ifdef Q_OS_WIN
        pipePaths[name] = QStringLiteral("//./pipe/zrm-%1-%2-%3")
                                  .arg(QCoreApplication::applicationPid())
                                  .arg(quintptr(this))
                                  .arg(name);
#endif
        pipes[name] = std::make_unique<PipeWatchdog>(path(name));
    }
    // A device NAME in the scratch folder: on Windows an old DOS name (CON, NUL ...) is one in
    // every folder; elsewhere it is made a link to /dev/zero, which reads without end.
    void makeDevice(const QString &name)
    {
#ifndef Q_OS_WIN
        if (symlink("/dev/zero", QFile::encodeName(path(name)).constData()) != 0)
            qFatal("cannot make the link %s", qPrintable(name));
#else
        Q_UNUSED(name);
#endif
    }
    QString write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        if (!QDir().mkpath(QFileInfo(file).path()) || !file.open(QIODevice::WriteOnly)
            || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
        return file.fileName();
    }
    void pickName(int row, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = {}) const
    {
        QTest::mouseClick(list7()->viewport(), button, modifiers,
                          list7()->visualRect(table()->index(row)).center());
    }
    // "ctrl", "shift" or "ctrl+shift" as held keys.
    static Qt::KeyboardModifiers held(const QString &word)
    {
        return (word.contains("ctrl") ? Qt::ControlModifier : Qt::NoModifier)
               | (word.contains("shift") ? Qt::ShiftModifier : Qt::NoModifier);
    }
    // The selection in the order of picking (the current prop last), and where the name list
    // shows another selection or current row, what it shows.
    QString selection() const
    {
        QStringList picked;
        for (int row : table()->selection())
            picked << QString::number(row);
        QStringList listed;
        for (const QModelIndex &index : list7()->selectionModel()->selectedIndexes())
            listed << QString::number(index.row());
        std::sort(listed.begin(), listed.end(),
                  [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
        QStringList sorted = picked;
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
        const int current = list7()->currentIndex().row();
        QString shown = picked.isEmpty() ? QStringLiteral("-") : picked.join(u',');
        if (listed != sorted
            || (list7()->selectionModel()->isSelected(list7()->currentIndex())
                && current != table()->selectedRow()))
            shown += QStringLiteral("!list:%1@%2").arg(listed.join(u',')).arg(current);
        return shown;
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
    //   drop CONTROL ITEMS...    files (or addresses with "://") dragged onto CONTROL with Shift
    //                            held, so that the file manager proposes a move; shows how the
    //                            drop was taken: copy, move or - (refused), with (held) when a
    //                            dialog came before the drop returned; movedrop: a drag
    //                            that can only move
    //   restore NAME FILE        the list in NAME put back as kept from an earlier run of the
    //                            editor on FILE (- for none)
    //   write NAME TEXT, rmdir NAME, fifo NAME (a named pipe, with a watchdog), device NAME
    //   menu ACTION, click CONTROL, key KEYS (to the focused widget), closebox (the window's
    //                            close box, as Alt+F4)
    //   pick N [MODS], rpick N   a left or right click on a name, MODS held (ctrl, shift,
    //                            ctrl+shift)
    //   clip TEXT                the clipboard's text (\r, \n, \t stand for their characters)
    //   type N TEXT              into TextN, which keeps the focus
    //   popup                    the File menu, opened and closed
    //   wcorner                  the main window moved into the bottom right corner of its
    //                            screen's free area
    //   move X,Y; map [X,Y]; off the mouse to a drawing point of the map; a click on the map
    //                            where the mouse is, or at X,Y without a move before it; a
    //                            press on the map released outside it
    //   count TEXT; fill N LENGTH  as only a test can: the count; N props of "0" fields and
    //                            LENGTH-letter names
    // Probes: ?s count/selected/pending; ?m the mouse position kept; ?b the boxes; ?t the rows,
    // ?r N one row; ?p X,Y a map pixel: R red, B blue, k black, . the plain map, ? other;
    // ?v whether the window is shown; ?title the title as the window system shows it, in quotes
    // ("*" while there are unsaved changes, " - ZRM Editer By: Quellmar" left out, and the
    // caption alone shown as ~); ?fresh whether the map is as Draw Props on Map would draw it;
    // ?sel the selection (see selection()); ?clip the clipboard's text; ?u Edit > Undo and Redo
    // ("-" disabled); ?k the focused control; ?g the layout; ?menu the menus (=their keys);
    // ?tip X,Y the map's tooltip; ?d [N] what the dialogs said since the last ?d (N characters
    // each, 12 unless given); ?f NAME a file (see shownFile()). Line ends show as '/'.
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
            for (int i = 0; i < times; ++i) {
                // A closed window cannot be active; its probes still look at it.
                if (form->isVisible() && !reactivate())
                    qWarning("the window stays inactive before %s", qPrintable(step));
                if (verb == "open" || verb == "save" || verb == "given")
                    verb == "save"    ? void(form->SaveZRM(path(arg)))
                    : verb == "given" ? form->openFile(path(arg))
                                      : form->OpenZRM(path(arg.isEmpty() ? "in.txt" : arg));
                else if (verb == "drop" || verb == "movedrop") {
                    QMimeData data;
                    QList<QUrl> urls;
                    for (const QString &item : words.mid(1))
                        urls << (item.contains("://") ? QUrl(item)
                                                      : QUrl::fromLocalFile(path(item)));
                    data.setUrls(urls);
                    data.setText(urls.value(0).toString());
                    const Qt::DropActions can
                            = verb == "drop" ? Qt::CopyAction | Qt::MoveAction : Qt::MoveAction;
                    QWidget *target = control(words.value(0));
                    QDragEnterEvent enter(QPoint(4, 4), can, &data, Qt::LeftButton,
                                          Qt::ShiftModifier);
                    while (target
                           && !(target->acceptDrops() && QApplication::sendEvent(target, &enter)
                                && enter.isAccepted()))
                        target = target->parentWidget();
                    QDragMoveEvent moved(QPoint(6, 6), can, &data, Qt::LeftButton,
                                         Qt::ShiftModifier);
                    QDropEvent dropped(QPoint(6, 6), can, &data, Qt::LeftButton, Qt::ShiftModifier);
                    const qsizetype asked = script ? script->seen.size() : 0;
                    if (target && QApplication::sendEvent(target, &moved) && moved.isAccepted())
                        QApplication::sendEvent(target, &dropped);
                    // A file manager waits while the drop is handled: no question then.
                    const bool held = script && script->seen.size() > asked;
                    QCoreApplication::processEvents(); // what the window put off until after it
                    const bool copied = dropped.isAccepted()
                                        && dropped.dropAction() == Qt::CopyAction
                                        && moved.dropAction() == Qt::CopyAction;
                    out << (!target || !dropped.isAccepted() ? "-"
                            : copied                         ? "copy"
                                                             : "move")
                                   + QString(held ? "(held)" : "");
                } else if (verb == "write" || verb == "rmdir")
                    verb == "write" ? void(write(words.value(0), arg.section(u' ', 1).toUtf8()))
                                    : void(QDir(path(arg)).removeRecursively());
                else if (verb == "fifo" || verb == "device")
                    verb == "fifo" ? makePipe(arg) : makeDevice(arg);
                else if (verb == "menu")
                    action(arg)->trigger();
                else if (verb == "closebox")
                    form->close();
                else if (verb == "restore") {
                    // A list kept from an earlier run: NAME's list, for the file FILE (- none).
                    auto read = PropTextFile::readFile(path(words.value(0)));
                    form->document()->restore(read.contents->countText, read.contents->records,
                                              words.value(1) == "-" ? "" : path(words.value(1)));
                }
                else if (verb == "pick" || verb == "rpick")
                    pickName(n, verb == "pick" ? Qt::LeftButton : Qt::RightButton,
                             held(words.value(1)));
                else if (verb == "clip")
                    QGuiApplication::clipboard()->setText(QString(arg)
                                                                  .replace("\\r", "\r")
                                                                  .replace("\\n", "\n")
                                                                  .replace("\\t", "\t"));
                else if (verb == "?sel" || verb == "?clip")
                    out << (verb == "?sel" ? selection() : QGuiApplication::clipboard()->text());
                else if (verb == "type") {
                    QTest::mouseClick(text(n), Qt::LeftButton);
                    text(n)->selectAll();
                    QTest::keyClicks(text(n), arg.section(u' ', 1));
                } else if (verb == "key")
                    QTest::keySequence(QApplication::focusWidget(), QKeySequence(arg));
                else if (verb == "click")
                    QTest::mouseClick(control(arg), Qt::LeftButton, {}, QPoint(4, 4));
                else if (verb == "wcorner") {
                    const QRect free = form->screen()->availableGeometry();
                    const QPoint to = free.bottomRight() + QPoint(1, 1)
                                      - QPoint(form->frameGeometry().width(),
                                               form->frameGeometry().height());
                    form->move(to);
                    if (!QTest::qWaitFor([&] { return form->frameGeometry().topLeft() == to; }))
                        qWarning("the main window stays at %d,%d", form->frameGeometry().x(),
                                 form->frameGeometry().y());
                } else if (verb == "popup") {
                    auto *menu = control<QMenu>("mnuFile");
                    menu->popup(form->mapToGlobal(QPoint(10, 10)));
                    if (QTest::qWaitFor([menu] { return menu->isVisible(); }))
                        menu->close();
                } else if (verb == "move") {
                    // Through the window, as a real move comes: not every platform turns a
                    // move of the cursor (what a move on a widget does) into an event at once.
                    mouse = QPoint(n + 2, y + 2);
                    QTest::mouseMove(form->windowHandle(), map->mapTo(form.get(), mouse));
                } else if (verb == "map" || verb == "off") {
                    const QPoint at = arg.isEmpty() ? mouse : QPoint(n + 2, y + 2);
                    QTest::mousePress(map, Qt::LeftButton, {}, at);
                    QTest::mouseRelease(map, Qt::LeftButton, {},
                                        verb == "map" ? at : QPoint(-30, at.y()));
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
                else if (verb == "?title")
                    out << "\""
                                    + QString(form->windowTitle())
                                              .replace("[*]", form->isWindowModified() ? "*" : "")
                                              .replace(" - ZRM Editer By: Quellmar", "")
                                              .replace("ZRM Editer By: Quellmar", "~")
                                    + "\"";
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
                    out << shownFile(arg);
                else if (!largeMapStep(verb, arg, words, out))
                    qFatal("unknown step %s", qPrintable(step));
            }
        }
        return scrub(out.join(u' ')).replace("\r\n", "/").replace(u'\n', u'/');
    }
    // What a file holds, <none> when there is none, <special> for a pipe or device, and
    // <stuck> for a pipe the editor opened to read, where it would have waited for good.
    QString shownFile(const QString &name) const
    {
        QFile file(path(name));
        const auto pipe = pipes.find(name);
        if (pipe != pipes.end() && pipe->second->freed())
            return "<stuck>";
        if (pipePaths.contains(name) || (file.exists() && !QFileInfo(file).isFile()))
            return "<special>";
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : "<none>";
    }
    // Paths read alike on every system: the scratch folder as '@', the editor's as <editor>,
    // and the '\' that Windows writes as '/'; a pipe as if it were in the scratch folder.
    QString scrub(const QString &text) const
    {
        QString scrubbed = QDir::fromNativeSeparators(text);
        for (auto pipe = pipePaths.begin(); pipe != pipePaths.end(); ++pipe)
            scrubbed.replace(pipe.value(), "@/" + pipe.key());
        return scrubbed.replace(dir->path(), "@")
                .replace(QCoreApplication::applicationDirPath(), "<editor>");
    }

    // Steps on the large map, each with that window active; X,Y is a level point:
    //   lsize W,H        View > Large Map, its drawing made W x H pixels
    //   lclick X,Y; ldown X,Y; lto X,Y; lup   a click; a press, a move with it held, the release
    //                    (lclick and ldown take MODS after X,Y, as pick does)
    //   lwheel N X,Y     N steps of the wheel with Ctrl; lkey KEYS, ltype TEXT to its focus; lclose
    // Probes, once it has repainted: ?lp X,Y its colour there (R red, B blue, Y yellow, . the
    // level); ?ls the status line; ?lf what the find box found; ?ln the names drawn; ?lk its
    // focused control; ?lv shown; ?lc the level point in the middle of its drawing; ?lfit
    // whether it lies, its frame too, on the free area of its screen (else where it is).
    QPoint m_largeMapAt;
    bool m_largeMapHeld = false;
    bool largeMapStep(const QString &verb, const QString &arg, const QStringList &words,
                      QStringList &out)
    {
        auto *map = form->findChild<LargeMap *>();
        if (verb == "?lv")
            return out << (map && map->isVisible() ? "shown" : "hidden"), true;
        if (verb == "lsize")
            action("mnuVLargeMap")->trigger(), map = form->findChild<LargeMap *>();
        if (!map || !verb.contains(QRegularExpression("^\\??l")))
            return false;
        // A window counts as active while its transient parent is: wait for the real thing.
        map->activateWindow();
        if (!QTest::qWaitFor([map] { return QApplication::activeWindow() == map; }))
            qWarning("the large map stays inactive before %s", qPrintable(verb));
        MapCanvas *canvas = map->canvas();
        QWidget *view = canvas->viewport();
        const QPoint at
                = canvas->camera()
                          .toView(QPointF(words.value(0).toDouble(), words.value(1).toDouble()))
                          .toPoint();
        // What the large map shows once the repaints asked for so far are done.
        if (verb.startsWith("?l") && !QTest::qWaitFor([=] { return !canvas->paintPending(); }))
            qWarning("the large map is not repainted for %s", qPrintable(verb));
        const QImage &shown = canvas->frame();
        if (verb == "lsize") {
            canvas->setFixedSize(words.value(0).toInt(), words.value(1).toInt());
            map->adjustSize();
            if (!QTest::qWaitFor([=] { return view->size() == canvas->size(); }))
                qWarning("the large map's drawing stays %dx%d", view->width(), view->height());
        } else if (verb == "lclick" || verb == "ldown" || verb == "lup") {
            m_largeMapAt = verb == "lup" ? m_largeMapAt : at;
            const Qt::KeyboardModifiers mods = held(words.value(2));
            verb == "lclick"  ? QTest::mouseClick(view, Qt::LeftButton, mods, at)
            : verb == "ldown" ? QTest::mousePress(view, Qt::LeftButton, mods, at)
                              : QTest::mouseRelease(view, Qt::LeftButton, {}, m_largeMapAt);
            m_largeMapHeld = verb == "ldown";
        } else if (verb == "lto") {
            QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton,
                             m_largeMapHeld ? Qt::LeftButton : Qt::NoButton, {});
            QApplication::sendEvent(view, &move);
            m_largeMapAt = at;
        } else if (verb == "lwheel") {
            const QPoint point
                    = canvas->camera()
                              .toView(QPointF(words.value(1).toDouble(), words.value(2).toDouble()))
                              .toPoint();
            QWheelEvent wheel(point, view->mapToGlobal(point), {},
                              QPoint(0, 120 * words.value(0).toInt()), Qt::NoButton,
                              Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(view, &wheel);
        } else if (verb == "lkey" || verb == "ltype") {
            // Keys go where the active large map has its focus, as a real key does; a platform
            // may still report the other window's focus for a moment after the switch.
            QWidget *focus = map->focusWidget() ? map->focusWidget() : QApplication::focusWidget();
            verb == "lkey" ? QTest::keySequence(focus, QKeySequence(arg))
                           : QTest::keyClicks(focus, arg);
        } else if (verb == "lclose")
            map->close();
        else if (verb == "?lp") {
            const QRgb rgb = shown.pixel(at) & 0xFFFFFF;
            out << QString(rgb == 0xFF0000                                       ? "R"
                           : rgb == 0xFF                                         ? "B"
                           : rgb == 0xFFFF00                                     ? "Y"
                           : rgb == 0x8000 || rgb == 0x808080 || rgb == 0xFFFFFF ? "."
                                                                                 : "?");
        } else if (verb == "?ls" || verb == "?lf" || verb == "?lk")
            out << (verb == "?ls"   ? map->findChild<QLabel *>("lblStatus")->text()
                    : verb == "?lf" ? map->findChild<QLabel *>("lblFound")->text()
                                    : map->focusWidget()->objectName());
        else if (verb == "?lc") {
            const QPointF middle
                    = canvas->camera().toLevel(QPointF(view->width(), view->height()) / 2);
            out << QString("%1,%2").arg(middle.x(), 0, 'f', 0).arg(middle.y(), 0, 'f', 0);
        } else if (verb == "?lfit") {
            // The whole window, its frame too, on the free area of the screen it opened on.
            const QRect free = map->screen()->availableGeometry();
            if (!QTest::qWaitFor([&] { return free.contains(map->frameGeometry()); }))
                out << QString("%1,%2 %3x%4 off %5,%6 %7x%8")
                                .arg(map->frameGeometry().x())
                                .arg(map->frameGeometry().y())
                                .arg(map->frameGeometry().width())
                                .arg(map->frameGeometry().height())
                                .arg(free.x())
                                .arg(free.y())
                                .arg(free.width())
                                .arg(free.height());
            else
                out << "fits";
        } else if (verb == "?ln")
            out << canvas->drawnNames().join(u',');
        else
            return false;
        return true;
    }
};
