#include "app/recoverykeeper.h"

#include "app/sessionend.h"
#include "files/recoverycopy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QThread>
#include <QTimer>
#include <QUuid>

#include <memory>

// Writes and removes one recovery copy on the writer thread, in the order asked, and holds
// the copy's lock while a copy exists.
class RecoveryWriter : public QObject
{
    Q_OBJECT

public:
    explicit RecoveryWriter(const QString &copyPath)
        : m_copyPath(copyPath)
    { }

    void write(const RecoverySnapshot &snapshot, const QDateTime &time)
    {
        if (!m_lock) {
            QDir().mkpath(QFileInfo(m_copyPath).path());
            auto lock = std::make_unique<QLockFile>(m_copyPath + RecoveryCopy::LockSuffix);
            // A live editor's lock never goes stale, however old; a dead one's is free at once.
            lock->setStaleLockTime(0);
            if (!lock->tryLock(0))
                return emit failed(QStringLiteral("the recovery copy's lock cannot be made"));
            m_lock = std::move(lock);
        }
        const QString why = RecoveryCopy::write(
                m_copyPath, RecoveryCopy::encode({snapshot.countText, snapshot.records,
                                                  snapshot.filePath, time}));
        if (why.isEmpty())
            emit written(m_copyPath);
        else
            emit failed(why);
    }

    void remove()
    {
        if (!m_lock)
            return;
        QFile::remove(m_copyPath);
        m_lock.reset(); // unlocks, and removes the lock file
        emit removed(m_copyPath);
    }

signals:
    void written(const QString &path);
    void removed(const QString &path);
    void failed(const QString &why);

private:
    const QString m_copyPath;
    std::unique_ptr<QLockFile> m_lock;
};

RecoveryKeeper::RecoveryKeeper(Snapshot snapshot, QObject *parent)
    : QObject(parent)
    , m_snapshot(std::move(snapshot))
    , m_copyPath(QDir(RecoveryCopy::folder())
                         .filePath(QUuid::createUuid().toString(QUuid::WithoutBraces)
                                   + RecoveryCopy::CopySuffix))
    , m_timer(new QTimer(this))
    , m_thread(new QThread(this))
    , m_writer(new RecoveryWriter(m_copyPath))
{
    m_timer->setSingleShot(true);
    m_timer->setInterval(DefaultWriteDelayMs);
    connect(m_timer, &QTimer::timeout, this, &RecoveryKeeper::startWrite);
    m_writer->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_writer, &QObject::deleteLater);
    connect(m_writer, &RecoveryWriter::written, this, &RecoveryKeeper::copyWritten);
    connect(m_writer, &RecoveryWriter::removed, this, &RecoveryKeeper::copyRemoved);
    connect(m_writer, &RecoveryWriter::failed, this, &RecoveryKeeper::copyFailed);
    m_thread->start();
    connect(SessionEnd::instance(), &SessionEnd::ending, this, &RecoveryKeeper::endSession);
}

RecoveryKeeper::~RecoveryKeeper()
{
    m_timer->stop();
    if (!m_sessionEnding)
        QMetaObject::invokeMethod(
                m_writer, [writer = m_writer] { writer->remove(); }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
}

void RecoveryKeeper::setModified(bool modified)
{
    if (modified == m_modified)
        return;
    m_modified = modified;
    if (modified)
        contentsChanged();
    else
        discard();
}

void RecoveryKeeper::contentsChanged()
{
    if (!m_modified)
        return;
    m_dirty = true;
    if (!m_timer->isActive())
        m_timer->start();
}

void RecoveryKeeper::discard()
{
    m_modified = false;
    m_dirty = false;
    m_timer->stop();
    QMetaObject::invokeMethod(
            m_writer, [writer = m_writer] { writer->remove(); }, Qt::QueuedConnection);
}

void RecoveryKeeper::writeNow()
{
    startWrite();
    settle();
}

void RecoveryKeeper::setWriteDelay(int ms)
{
    m_timer->setInterval(ms);
}

void RecoveryKeeper::settle()
{
    QMetaObject::invokeMethod(
            m_writer, [] {}, Qt::BlockingQueuedConnection);
}

// The window's whole share of a write: a snapshot that shares the table's text, handed to
// the writer thread, which packs and writes it.
void RecoveryKeeper::startWrite()
{
    m_timer->stop();
    if (!m_dirty || !m_modified)
        return;
    m_dirty = false;
    QMetaObject::invokeMethod(
            m_writer,
            [writer = m_writer, snapshot = m_snapshot(), time = QDateTime::currentDateTimeUtc()] {
                writer->write(snapshot, time);
            },
            Qt::QueuedConnection);
}

void RecoveryKeeper::endSession()
{
    m_sessionEnding = true;
    writeNow();
}

#include "recoverykeeper.moc"
