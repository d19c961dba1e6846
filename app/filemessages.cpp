#include "app/filemessages.h"

#include "dialogs/zrmdialogs.h"
#include "files/commdlgs.h"
#include "files/recentfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace FileMessages {

namespace {

namespace Texts {
const char *const CannotOpen = "Could not open %1\n\n%2";
const char *const ListUnchanged = "\n\nThe prop list was not changed.";
const char *const UnsavableField
        = "Nothing was saved: prop %1 (\"%2\") has the %3 \"%4\", which is not a number. A "
          "saved prop list could not give it back.";
const char *const UnsavableName
        = "Nothing was saved: the name of prop %1 (\"%2\") would not read back unchanged from a "
          "saved prop list.";
const char *const TooLarge = "Nothing was saved: the prop list would make a file of %1 MiB, "
                             "larger than the %2 MiB the editor can open.";
const char *const NotLoaded = "%1 holds %2 after the %3 its first line counts. %4 not loaded, "
                              "and saving the prop list leaves %5 out.";
const char *const FieldsNotNumbers
        = "%1 %2 with a field that is not a number, so the prop list cannot be saved "
          "until each is one. A comma ends an item, so a decimal comma (12,5 for 12.5), or an "
          "item too many or too few on a line, moves every later item.\n\n%3";
const char *const FieldNotNumber = "Prop %1 (line %2): the %3 %4";
const char *const MoreFieldsNotNumbers = "and %1 more";
const char *const Utf8Mark = "%1 is UTF-8 text: it starts with the UTF-8 byte order mark.";
const char *const Utf8Found = "%1 looks like UTF-8 text: it holds letters written as UTF-8 "
                              "byte sequences, and no byte that UTF-8 cannot hold.";
const char *const Utf16Mark = "%1 is UTF-16 text (%2), as Notepad saves \"Unicode\": it starts "
                              "with the UTF-16 byte order mark.";
const char *const ReadAsWhich
        = "\n\nProp files are Windows-1252 text, and the editor saves them so.\n\nYes: read it "
          "as %1, each letter kept as the same letter in Windows-1252.\nNo: read its bytes as "
          "Windows-1252, as before: a letter written with several bytes becomes several "
          "letters.\nCancel: open nothing.";
const char *const Unheld = "It is %1 text, and it holds characters that Windows-1252, the text "
                           "of prop files, cannot hold: %2. Replace them in the file, or open "
                           "it as Windows-1252.";
const char *const Malformed = "It is %1 text, but it also holds bytes that are not %1.";
} // namespace Texts

} // namespace

std::optional<QByteArray> textToRead(QWidget *owner, const QString &path, const QByteArray &bytes)
{
    using PropTextFile::Encoding;
    const PropTextFile::Detected found = PropTextFile::detectEncoding(bytes);
    if (found.encoding == Encoding::Windows1252)
        return bytes;
    const QString name = QDir::toNativeSeparators(path);
    const QString encoding
            = found.encoding == Encoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("UTF-16");
    const QString what
            = found.encoding != Encoding::Utf8
                      ? QString::fromLatin1(Texts::Utf16Mark)
                                .arg(name, found.encoding == Encoding::Utf16LE ? "little-endian"
                                                                               : "big-endian")
              : found.markBytes > 0 ? QString::fromLatin1(Texts::Utf8Mark).arg(name)
                                    : QString::fromLatin1(Texts::Utf8Found).arg(name);
    switch (ZrmDialogs::askYesNoCancel(
            owner, what + QString::fromLatin1(Texts::ReadAsWhich).arg(encoding))) {
    case ZrmDialogs::Answer::Cancel:
        return std::nullopt;
    case ZrmDialogs::Answer::No:
        return bytes.sliced(found.markBytes);
    case ZrmDialogs::Answer::Yes:
        break;
    }
    PropTextFile::Recoded recoded = PropTextFile::toWindows1252(bytes, found);
    if (recoded.ok())
        return std::move(recoded.bytes);
    QStringList problems;
    if (!recoded.unheld.isEmpty()) {
        problems << QString::fromLatin1(Texts::Unheld)
                            .arg(encoding, PropTextFile::namedCharacters(recoded.unheld));
    }
    if (recoded.malformed)
        problems << QString::fromLatin1(Texts::Malformed).arg(encoding);
    ZrmDialogs::showMessage(
            owner,
            QString::fromLatin1(Texts::CannotOpen).arg(name, problems.join(QStringLiteral("\n\n")))
                    + QString::fromLatin1(Texts::ListUnchanged));
    return std::nullopt;
}

std::optional<PropTextFile::Contents> readToOpen(QWidget *owner, const QString &path)
{
    PropTextFile::ReadResult result;
    PropTextFile::FileBytes file = PropTextFile::readBytes(path);
    result.error = std::move(file.error);
    if (result.error.isEmpty()) {
        const std::optional<QByteArray> text = textToRead(owner, path, file.bytes);
        if (!text)
            return std::nullopt;
        result = PropTextFile::parse(*text);
    }
    if (!result.contents)
        ZrmDialogs::showMessage(owner, cannotOpen(path, result));
    return std::move(result.contents);
}

QString cannotOpen(const QString &path, const PropTextFile::ReadResult &result)
{
    // An error without a line already names the file it could not read.
    const QString problem = result.line > 0
                                    ? QString::fromLatin1(Texts::CannotOpen)
                                              .arg(QDir::toNativeSeparators(path), result.error)
                                    : result.error;
    return problem + QString::fromLatin1(Texts::ListUnchanged);
}

namespace {

QString props(int n)
{
    return n == 1 ? QStringLiteral("1 prop") : QStringLiteral("%1 props").arg(n);
}

// A field that is no number is most often an item gone astray, which moves the rest of the
// text: a few are named, where to look first. `holder` says whose props they are.
QString notNumbersNote(const QString &holder, const QVector<PropRecord> &records,
                       const QVector<int> &lines)
{
    const QVector<PropTextFile::Problem> notNumbers = PropTextFile::findFieldsNotNumbers(records);
    if (notNumbers.isEmpty())
        return QString();
    constexpr int Named = 5;
    QStringList named;
    for (int i = 0; i < std::min<int>(Named, notNumbers.size()); ++i) {
        const PropTextFile::Problem &p = notNumbers.at(i);
        named << QString::fromLatin1(Texts::FieldNotNumber)
                         .arg(p.row + 1)
                         .arg(lines.value(p.row))
                         .arg(QString::fromLatin1(PropRecord::FieldCaptions[p.field]),
                              PropTextFile::quoteForMessage(p.text));
    }
    if (notNumbers.size() > Named)
        named << QString::fromLatin1(Texts::MoreFieldsNotNumbers).arg(notNumbers.size() - Named);
    return QString::fromLatin1(Texts::FieldsNotNumbers)
            .arg(holder, props(int(notNumbers.size())), named.join(u'\n'));
}

} // namespace

QString pasteNotes(const QVector<PropRecord> &records, const QVector<int> &lines)
{
    return notNumbersNote(QStringLiteral("The pasted text holds"), records, lines);
}

QString openNotes(const QString &path, const PropTextFile::Contents &contents)
{
    const int propsAfter = contents.propsAfter;
    const bool textAfter = contents.textAfter;
    const int count = int(contents.records.size());
    // What the user must know about the file, said at once in one message: the list is open,
    // but it would not be saved as it is, or it would be saved without part of the file.
    QStringList told;
    // Props past the count are the file's own business, but the user must not lose them
    // unaware.
    if (propsAfter > 0 || textAfter) {
        const QString more = propsAfter == 0 ? QStringLiteral("other text")
                             : propsAfter == 1
                                     ? QStringLiteral("1 more complete prop")
                                     : QStringLiteral("%1 more complete props").arg(propsAfter);
        const bool one = propsAfter + int(textAfter) == 1;
        told << QString::fromLatin1(Texts::NotLoaded)
                        .arg(QDir::toNativeSeparators(path),
                             propsAfter > 0 && textAfter ? more + QStringLiteral(" and other text")
                                                         : more,
                             props(count),
                             one ? QStringLiteral("It was") : QStringLiteral("They were"),
                             one ? QStringLiteral("it") : QStringLiteral("them"));
    }
    const QString notNumbers
            = notNumbersNote(told.isEmpty() ? QDir::toNativeSeparators(path) + " holds"
                                            : QStringLiteral("It also holds"),
                             contents.records, contents.lines);
    if (!notNumbers.isEmpty())
        told << notNumbers;
    return told.join(QStringLiteral("\n\n"));
}

QString unsavable(const QVector<PropRecord> &records, const PropTextFile::Problem &problem)
{
    const QString name = records.at(problem.row).name;
    return problem.field == PropTextFile::NameField
                   ? QString::fromLatin1(Texts::UnsavableName).arg(problem.row + 1).arg(name)
                   : QString::fromLatin1(Texts::UnsavableField)
                             .arg(problem.row + 1)
                             .arg(name,
                                  QString::fromLatin1(PropRecord::FieldCaptions[problem.field]),
                                  problem.text);
}

QString tooLarge(qint64 bytes)
{
    return QString::fromLatin1(Texts::TooLarge)
            .arg((bytes + (1 << 20) - 1) >> 20)
            .arg(PropTextFile::MaxFileBytes >> 20);
}

QString askForPropFile(QWidget *owner, qint16 action, const char *title, const QString &proposed)
{
    const QString allFiles
            = QStringLiteral("All Files") + QChar(0) + QStringLiteral("*.*") + QChar(0);
    const bool propose = !proposed.isEmpty() && proposed.size() <= CommDlgs::MaxInitialFileName;
    return CommDlgs::ShowFileDialog(
            owner, action, QString::fromLatin1(title), propose ? proposed : QString(), allFiles,
            propose ? QFileInfo(proposed).absolutePath() : RecentFolder::startFolder(),
            QStringLiteral("*"));
}

} // namespace FileMessages
