#pragma once

#include "props/proprecord.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

class QThread;
class QTimer;
class RecoveryWriter;

// What the editor holds at one moment, as a recovery copy keeps it. Its strings share their
// text with the table's, so taking it copies nothing.
struct RecoverySnapshot
{
    QString countText;
    QVector<PropRecord> records;
    QString filePath;
};

// Keeps one window's recovery copy: while the list has unsaved changes, a copy of it is
// written in the recovery folder, on a thread of its own, soon after the first change not
// yet in it; it is removed once the list has no unsaved changes or the window goes normally.
// The copy is kept when the desktop session ends (written at once then) and, of course, when
// the editor is killed or crashes. The copy is locked while its editor runs, so that no other
// editor offers it.
class RecoveryKeeper : public QObject
{
    Q_OBJECT

public:
    using Snapshot = std::function<RecoverySnapshot()>;

    // The longest a change waits before it is in the copy, on top of the write itself.
    static constexpr int DefaultWriteDelayMs = 1000;

    explicit RecoveryKeeper(Snapshot snapshot, QObject *parent = nullptr);
    // Removes the copy, unless the session is ending.
    ~RecoveryKeeper() override;

    // Whether the list has changes that are not saved; without them there is no copy.
    void setModified(bool modified);
    // The list changed: the copy is written within the write delay, counted from the first
    // change it does not hold yet (later changes do not put it off).
    void contentsChanged();
    // The list's changes went (saved, discarded, undone): the copy goes.
    void discard();
    // Hands the copy to the writer thread now, as the write delay's end does; returns at once.
    void startWrite();
    // Writes the copy at once and returns when it is on the disk (nothing when there are no
    // unsaved changes).
    void writeNow();

    // True once the desktop session is ending (or the editor was asked to end by a signal):
    // the window closes then without asking anything, and the copy stays.
    bool sessionEnding() const { return m_sessionEnding; }

    // The copy's path, whether or not it exists now.
    QString copyPath() const { return m_copyPath; }
    void setWriteDelay(int ms);
    // Returns once the writer thread has done everything asked of it so far.
    void settle();

signals:
    void copyWritten(const QString &path);
    void copyRemoved(const QString &path);
    void copyFailed(const QString &why);

private:
    void endSession();

    Snapshot m_snapshot;
    QString m_copyPath;
    QTimer *m_timer = nullptr;
    QThread *m_thread = nullptr;
    RecoveryWriter *m_writer = nullptr;
    bool m_modified = false;
    // A change not yet handed to the writer.
    bool m_dirty = false;
    bool m_sessionEnding = false;
};
