#include "props/numbertext.h"
#include "props/propclipboard.h"
#include "props/proptextfile.h"
#include "props/windows1252.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Any bytes are read or refused cleanly; what is read survives a save; nameReadsBack is right;
// any text pastes or is refused with a message, and what pastes survives a copy.
namespace {

void check(bool condition)
{
    if (!condition)
        abort();
}

// Fields come back as their value's shortest text (a quoted " 05" is saved as 5).
QVector<PropRecord> asSaved(QVector<PropRecord> records)
{
    for (PropRecord &record : records)
        for (QString &field : record.fields)
            field = NumberText::formatDouble(*NumberText::parse(field));
    return records;
}

std::optional<QVector<PropRecord>> reload(const QVector<PropRecord> &records)
{
    const PropTextFile::ReadResult result = PropTextFile::parse(
            PropTextFile::serialize(QString::number(records.size()), records));
    return result.contents ? std::optional(result.contents->records) : std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const PropTextFile::ReadResult result = PropTextFile::parse(bytes);
    check(result.contents ? result.error.isEmpty() : !result.error.isEmpty() && result.line >= 1);
    if (result.contents) {
        const QVector<PropRecord> &records = result.contents->records;
        check(result.contents->countText == QString::number(records.size()));
        if (!PropTextFile::findUnsavable(records)) {
            // From the first save on, a save and reload changes nothing.
            const QVector<PropRecord> expected = asSaved(records);
            check(reload(records) == expected && reload(expected) == expected);
        }
    }
    // A prop follows the name, so a name that spills into the next record is caught too.
    QVector<PropRecord> named(2);
    named[0].fields.fill(QStringLiteral("1"));
    named[0].name = Windows1252::decode(bytes);
    named[1].fields.fill(QStringLiteral("0"));
    named[1].name = QStringLiteral("Crate");
    check((reload(named) == named) == PropTextFile::nameReadsBack(named[0].name));
    const PropClipboard::Pasted pasted
            = PropClipboard::readPaste(QString::fromUtf8(bytes), PropTextFile::MaxCount);
    check(pasted.error.isEmpty() != pasted.records.isEmpty()
          && pasted.lines.size() == pasted.records.size()
          && std::is_sorted(pasted.lines.begin(), pasted.lines.end())
          && (pasted.lines.isEmpty() || pasted.lines[0] >= 1));
    if (!pasted.records.isEmpty() && !PropTextFile::findUnsavable(pasted.records)) {
        const QVector<PropRecord> expected = asSaved(pasted.records);
        check(PropClipboard::readPaste(PropClipboard::copyText(expected), PropTextFile::MaxCount)
                      .records
              == expected);
    }
    return 0;
}
