#include "app/recoveryoffer.h"

#include "app/form1.h"
#include "app/recoverykeeper.h"
#include "dialogs/zrmdialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLockFile>

#include <algorithm>
#include <memory>
#include <vector>

namespace RecoveryOffer {

namespace {

namespace Texts {
const char *const Offer = "The editor ended without saving the changes to %1. A recovery copy of "
                          "them was made on %2.\n\nYes: restore the prop list from the copy (Edit "
                          "> Undo takes it back).\nNo: delete the copy.\nCancel: keep the copy "
                          "and ask again at the next start.";
const char *const Unnamed = "an unnamed prop list";
} // namespace Texts

// A copy that no running editor holds, locked by this one while it is offered.
struct LeftCopy
{
    QString path;
    RecoveryCopy::Contents contents;
    std::unique_ptr<QLockFile> lock;
};

std::unique_ptr<QLockFile> takeLock(const QString &copyPath)
{
    auto lock = std::make_unique<QLockFile>(copyPath + RecoveryCopy::LockSuffix);
    // A lock whose editor died is free at once; a live editor's lock is never taken, however
    // old (on a file system without native file locks its age alone would count).
    lock->setStaleLockTime(0);
    return lock->tryLock(0) ? std::move(lock) : nullptr;
}

std::vector<LeftCopy> leftCopies()
{
    const QDir folder(RecoveryCopy::folder());
    std::vector<LeftCopy> copies;
    const QString pattern = QStringLiteral("*") + RecoveryCopy::CopySuffix;
    for (const QFileInfo &file : folder.entryInfoList({pattern}, QDir::Files)) {
        LeftCopy copy{file.filePath(), {}, takeLock(file.filePath())};
        if (!copy.lock)
            continue; // its editor is running
        QFile in(copy.path);
        if (!in.open(QIODevice::ReadOnly))
            continue;
        std::optional<RecoveryCopy::Contents> contents = RecoveryCopy::decode(in.readAll());
        if (!contents)
            continue; // not a copy this editor can read; it is left as it is
        copy.contents = std::move(*contents);
        copies.push_back(std::move(copy));
    }
    std::sort(copies.begin(), copies.end(), [](const LeftCopy &a, const LeftCopy &b) {
        return a.contents.written > b.contents.written;
    });
    return copies;
}

QString question(const RecoveryCopy::Contents &contents)
{
    const QString what = contents.filePath.isEmpty() ? QString::fromLatin1(Texts::Unnamed)
                                                     : QDir::toNativeSeparators(contents.filePath);
    const QString when = QLocale().toString(contents.written.toLocalTime(), QLocale::LongFormat);
    return QString::fromLatin1(Texts::Offer).arg(what, when);
}

} // namespace

std::optional<QString> offerLeftCopies(QWidget *owner,
                                       const std::function<void(RecoveryCopy::Contents)> &restore,
                                       const std::function<void()> &keep)
{
    for (LeftCopy &copy : leftCopies()) {
        switch (ZrmDialogs::askYesNoCancel(owner, question(copy.contents))) {
        case ZrmDialogs::Answer::Yes: {
            const QString filePath = copy.contents.filePath;
            restore(std::move(copy.contents));
            keep();
            QFile::remove(copy.path);
            return filePath;
        }
        case ZrmDialogs::Answer::No:
            QFile::remove(copy.path);
            break;
        case ZrmDialogs::Answer::Cancel:
            break;
        }
    }
    return std::nullopt;
}

void atStart(Form1 &window, const QString &file)
{
    const std::optional<QString> restored = offerLeftCopies(
            &window,
            [&window](RecoveryCopy::Contents contents) {
                window.document()->restore(std::move(contents.countText),
                                           std::move(contents.records), contents.filePath);
            },
            [&window] { window.recoveryKeeper()->writeNow(); });
    if (file.isEmpty() || (restored && !restored->isEmpty() && sameFile(*restored, file)))
        return;
    window.openAsked(file);
}

bool sameFile(const QString &a, const QString &b)
{
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    const QString canonicalB = QFileInfo(b).canonicalFilePath();
    return canonicalA.isEmpty() || canonicalB.isEmpty()
                   ? QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath()
                   : canonicalA == canonicalB;
}

} // namespace RecoveryOffer
