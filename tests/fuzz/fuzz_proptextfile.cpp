#include "props/numbertext.h"
#include "props/proptextfile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// libFuzzer target for the prop text file: any bytes are read or refused cleanly, whatever
// is read survives a save and a reload, and nameReadsBack agrees with a real save.
namespace {

void check(bool condition)
{
    if (!condition)
        abort();
}

void checkAccepted(const PropTextFile::Contents &contents)
{
    const std::optional<double> count = NumberText::parse(contents.countText);
    check(count && *count == double(contents.records.size()));
    check(contents.countText == QString::number(contents.records.size()));
    if (PropTextFile::findUnsavable(contents.records))
        return;

    const PropTextFile::ReadResult again
            = PropTextFile::parse(PropTextFile::serialize(contents.countText, contents.records));
    check(again.contents.has_value());
    check(again.contents->countText == contents.countText);
    check(again.contents->records.size() == contents.records.size());
    for (qsizetype row = 0; row < contents.records.size(); ++row) {
        const PropRecord &before = contents.records.at(row);
        const PropRecord &after = again.contents->records.at(row);
        check(after.name == before.name);
        // A quoted field like " 05" is kept as read but saved as a plain number, so fields
        // come back as their value's shortest text.
        for (size_t field = 0; field < before.fields.size(); ++field)
            check(after.fields[field]
                  == NumberText::formatDouble(*NumberText::parse(before.fields[field])));
    }

    // What came back is already in its final form: saving it again changes nothing.
    const QByteArray bytes
            = PropTextFile::serialize(again.contents->countText, again.contents->records);
    const PropTextFile::ReadResult third = PropTextFile::parse(bytes);
    check(third.contents.has_value());
    check(third.contents->records == again.contents->records);
    check(PropTextFile::serialize(third.contents->countText, third.contents->records) == bytes);
}

void checkName(const QString &name)
{
    // Followed by another prop, so a name that spills into the next line is caught too.
    QVector<PropRecord> records(2);
    records[0].fields.fill(QStringLiteral("1"));
    records[0].name = name;
    records[1].fields.fill(QStringLiteral("0"));
    records[1].name = QStringLiteral("Crate");
    const PropTextFile::ReadResult result
            = PropTextFile::parse(PropTextFile::serialize(QStringLiteral("2"), records));
    const bool cameBack = result.contents && result.contents->records == records;
    check(cameBack == PropTextFile::nameReadsBack(name));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const PropTextFile::ReadResult result = PropTextFile::parse(bytes);
    if (result.contents) {
        check(result.error.isEmpty());
        checkAccepted(*result.contents);
    } else {
        check(!result.error.isEmpty() && result.line >= 1);
    }
    checkName(QString::fromLocal8Bit(bytes));
    return 0;
}
