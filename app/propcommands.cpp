#include "app/propcommands.h"

#include "props/compacttable.h"
#include "props/proptable.h"

#include <QHash>

#include <algorithm>
#include <numeric>

namespace {

QVector<int> oneRow(int row)
{
    return row >= 0 ? QVector<int>{row} : QVector<int>();
}

qint64 heldBytes(const QVector<int> &rows)
{
    return 32 + qint64(sizeof(int)) * rows.capacity();
}

} // namespace

PropCommand::PropCommand(PropTable *table, const QString &text, QVector<int> selectionAfter)
    : QUndoCommand(text)
    , m_table(table)
    , m_countBefore(table->countText())
    , m_selectionBefore(table->selection())
    , m_selectionAfter(std::move(selectionAfter))
{ }

void PropCommand::undo()
{
    apply(false);
    m_table->setCountText(m_countBefore);
    m_table->setSelection(m_selectionBefore);
}

void PropCommand::redo()
{
    apply(true);
    // The first time the step works out its count itself; later it is put back as it was.
    if (m_done)
        m_table->setCountText(m_countAfter);
    else
        m_countAfter = m_table->countText();
    m_done = true;
    m_table->setSelection(m_selectionAfter);
}

qint64 PropCommand::heldBytes() const
{
    // The object with its texts; the step's text and action text share their characters.
    // A selection the step leaves as it found shares its data.
    return 256 + CompactTable::heldBytes(text()) + CompactTable::heldBytes(m_countBefore)
           + CompactTable::heldBytes(m_countAfter) + ::heldBytes(m_selectionBefore)
           + (m_selectionAfter.constData() == m_selectionBefore.constData()
                      ? 0
                      : ::heldBytes(m_selectionAfter));
}

FieldsCommand::FieldsCommand(PropTable *table, const QString &text, int row,
                             const FieldTexts &newTexts)
    : PropCommand(table, text, table->selection())
    , m_rows{row}
{
    for (const auto &[field, after] : newTexts) {
        m_before.append({row, field, table->field(row, field)});
        m_after.append({row, field, after});
    }
}

FieldsCommand::FieldsCommand(PropTable *table, const QString &text,
                             const QVector<PropTable::FieldText> &newTexts)
    : PropCommand(table, text, table->selection())
    , m_after(newTexts)
{
    m_before.reserve(newTexts.size());
    for (const PropTable::FieldText &change : newTexts) {
        m_before.append({change.row, change.field, table->field(change.row, change.field)});
        if (m_rows.isEmpty() || m_rows.last() != change.row)
            m_rows.append(change.row);
    }
    // The rows come in table order from the maps; any other order is put right.
    if (!std::is_sorted(m_rows.cbegin(), m_rows.cend())) {
        std::sort(m_rows.begin(), m_rows.end());
        m_rows.erase(std::unique(m_rows.begin(), m_rows.end()), m_rows.end());
    }
}

qint64 FieldsCommand::heldBytes() const
{
    qint64 bytes
            = PropCommand::heldBytes() + 64
              + qint64(sizeof(PropTable::FieldText)) * (m_before.capacity() + m_after.capacity())
              + ::heldBytes(m_rows);
    for (const PropTable::FieldText &change : m_before)
        bytes += CompactTable::heldBytes(change.text);
    for (const PropTable::FieldText &change : m_after)
        bytes += CompactTable::heldBytes(change.text);
    return bytes;
}

// One prop's fields are set one by one, as a typed value is; several props' as one change.
void FieldsCommand::apply(bool forward)
{
    const QVector<PropTable::FieldText> &texts = forward ? m_after : m_before;
    if (m_rows.size() != 1)
        return m_table->setFields(texts);
    for (const PropTable::FieldText &change : texts)
        m_table->setField(change.row, change.field, change.text);
}

NudgePropCommand::NudgePropCommand(PropTable *table, const QVector<PropTable::FieldText> &newTexts)
    : FieldsCommand(table, QStringLiteral("Nudge Prop"), newTexts)
{
    if (m_rows.size() > 1)
        setText(QStringLiteral("Nudge Props"));
}

// The merged step puts back each field as it was before the first nudge and sets it as the
// last nudge left it.
bool NudgePropCommand::mergeWith(const QUndoCommand *other)
{
    const auto *next = static_cast<const NudgePropCommand *>(other);
    if (!std::equal(next->m_rows.cbegin(), next->m_rows.cend(), m_rows.cbegin(), m_rows.cend()))
        return false;
    // The same fields in the same order, as nudges along one axis give: the next step's texts
    // are the ones this step leaves.
    auto sameField = [](const PropTable::FieldText &a, const PropTable::FieldText &b) {
        return a.row == b.row && a.field == b.field;
    };
    if (std::equal(m_after.cbegin(), m_after.cend(), next->m_after.cbegin(), next->m_after.cend(),
                   sameField)) {
        m_after = next->m_after;
        return true;
    }
    QHash<qint64, int> mine;
    mine.reserve(m_after.size());
    for (int i = 0; i < int(m_after.size()); ++i)
        mine.insert(qint64(m_after.at(i).row) * 8 + m_after.at(i).field, i);
    for (int i = 0; i < int(next->m_after.size()); ++i) {
        const PropTable::FieldText &change = next->m_after.at(i);
        const auto found = mine.constFind(qint64(change.row) * 8 + change.field);
        if (found != mine.cend()) {
            m_after[*found].text = change.text;
        } else {
            m_before.append(next->m_before.at(i));
            m_after.append(change);
        }
    }
    return true;
}

AddPropCommand::AddPropCommand(PropTable *table, const QString &name)
    : PropCommand(table, QStringLiteral("Add Prop"), oneRow(table->size()))
    , m_name(name)
{ }

qint64 AddPropCommand::heldBytes() const
{
    return PropCommand::heldBytes() + CompactTable::heldBytes(m_name);
}

void AddPropCommand::apply(bool forward)
{
    if (forward)
        m_table->addProp(m_name);
    else
        m_table->takeRow(m_table->size() - 1);
}

RemovePropCommand::RemovePropCommand(PropTable *table)
    : PropCommand(table, QStringLiteral("Remove Prop"), {})
    , m_row(table->selectedRow())
{ }

qint64 RemovePropCommand::heldBytes() const
{
    return PropCommand::heldBytes() + CompactTable::heldBytes(m_record);
}

void RemovePropCommand::apply(bool forward)
{
    if (forward)
        m_record = m_table->takeRow(m_row);
    else
        m_table->insertRecord(m_row, std::move(m_record));
}

RemovePropsCommand::RemovePropsCommand(PropTable *table, const QString &text)
    : PropCommand(table, text, {})
    , m_rows(table->selectedRows())
{ }

qint64 RemovePropsCommand::heldBytes() const
{
    qint64 bytes = PropCommand::heldBytes() + ::heldBytes(m_rows);
    for (const PropRecord &record : m_records)
        bytes += CompactTable::heldBytes(record);
    return bytes;
}

void RemovePropsCommand::apply(bool forward)
{
    if (forward)
        m_records = m_table->takeRows(m_rows);
    else
        m_table->insertRecords(m_rows, std::exchange(m_records, {}));
}

namespace {

QVector<int> rowsFrom(int first, int count)
{
    QVector<int> rows(count);
    std::iota(rows.begin(), rows.end(), first);
    return rows;
}

} // namespace

AppendPropsCommand::AppendPropsCommand(PropTable *table, const QString &text,
                                       QVector<PropRecord> records, QVector<int> selectionAfter)
    : PropCommand(table, text,
                  selectionAfter.isEmpty() ? rowsFrom(table->size(), int(records.size()))
                                           : std::move(selectionAfter))
    , m_records(std::move(records))
{ }

qint64 AppendPropsCommand::heldBytes() const
{
    qint64 bytes = PropCommand::heldBytes();
    for (const PropRecord &record : m_records)
        bytes += CompactTable::heldBytes(record);
    return bytes;
}

void AppendPropsCommand::apply(bool forward)
{
    if (forward)
        m_table->appendRecords(m_records);
    else
        m_table->takeRows(rowsFrom(m_table->size() - int(m_records.size()), int(m_records.size())));
}

ReplaceTableCommand::ReplaceTableCommand(PropTable *table, const QString &text, QString countText,
                                         QVector<PropRecord> records)
    : PropCommand(table, text, {})
    , m_countText(std::move(countText))
    , m_records(std::move(records))
    , m_tableBytes(CompactTable::heldBytes(m_countText, m_records))
{ }

qint64 ReplaceTableCommand::heldBytes() const
{
    return PropCommand::heldBytes()
           + (m_packed.isEmpty() ? m_tableBytes : 32 + m_packed.capacity());
}

bool ReplaceTableCommand::canCompact() const
{
    return m_packed.isEmpty() && m_worthPacking && !m_records.isEmpty();
}

void ReplaceTableCommand::compact()
{
    QByteArray packed = CompactTable::pack(m_countText, m_records);
    if (packed.isEmpty() || packed.size() >= m_tableBytes) {
        m_worthPacking = false; // until the step holds another table
        return;
    }
    m_packed = std::move(packed);
    m_packed.squeeze();
    m_countText = QString();
    m_records = QVector<PropRecord>();
}

void ReplaceTableCommand::apply(bool)
{
    if (!m_packed.isEmpty()) {
        // Only a table that could not be held in memory would fail, and then nothing can go on.
        if (!CompactTable::unpack(m_packed, m_countText, m_records))
            qFatal("the undo history cannot unpack a prop table");
        m_packed = QByteArray();
    }
    m_table->swapContents(m_countText, m_records);
    m_worthPacking = true;
    std::swap(m_tableBytes, m_otherTableBytes);
    if (m_tableBytes < 0)
        m_tableBytes = CompactTable::heldBytes(m_countText, m_records);
}
