#include "app/propcommands.h"

#include "props/compacttable.h"
#include "props/proptable.h"

#include <algorithm>

PropCommand::PropCommand(PropTable *table, const QString &text, int selectedAfter)
    : QUndoCommand(text)
    , m_table(table)
    , m_countBefore(table->countText())
    , m_selectedBefore(table->selectedRow())
    , m_selectedAfter(selectedAfter)
{ }

void PropCommand::undo()
{
    apply(false);
    m_table->setCountText(m_countBefore);
    m_table->setSelectedRow(m_selectedBefore);
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
    m_table->setSelectedRow(m_selectedAfter);
}

qint64 PropCommand::heldBytes() const
{
    // The object with its texts; the step's text and action text share their characters.
    return 256 + CompactTable::heldBytes(text()) + CompactTable::heldBytes(m_countBefore)
           + CompactTable::heldBytes(m_countAfter);
}

FieldsCommand::FieldsCommand(PropTable *table, const QString &text, int row,
                             const FieldTexts &newTexts)
    : PropCommand(table, text, row)
    , m_row(row)
{
    for (const auto &[field, after] : newTexts)
        m_changes.append({field, table->field(row, field), after});
}

qint64 FieldsCommand::heldBytes() const
{
    qint64 bytes = PropCommand::heldBytes() + 32 + qint64(sizeof(Change)) * m_changes.capacity();
    for (const Change &change : m_changes)
        bytes += CompactTable::heldBytes(change.before) + CompactTable::heldBytes(change.after);
    return bytes;
}

void FieldsCommand::apply(bool forward)
{
    for (const Change &change : m_changes)
        m_table->setField(m_row, change.field, forward ? change.after : change.before);
}

NudgePropCommand::NudgePropCommand(PropTable *table, int row, const FieldTexts &newTexts)
    : FieldsCommand(table, QStringLiteral("Nudge Prop"), row, newTexts)
{ }

// The merged step puts back each field as it was before the first nudge and sets it as the
// last nudge left it.
bool NudgePropCommand::mergeWith(const QUndoCommand *other)
{
    const auto *next = static_cast<const NudgePropCommand *>(other);
    if (next->m_row != m_row)
        return false;
    for (const Change &change : next->m_changes) {
        auto mine = std::find_if(m_changes.begin(), m_changes.end(),
                                 [&change](const Change &c) { return c.field == change.field; });
        if (mine == m_changes.end())
            m_changes.append(change);
        else
            mine->after = change.after;
    }
    return true;
}

AddPropCommand::AddPropCommand(PropTable *table, const QString &name)
    : PropCommand(table, QStringLiteral("Add Prop"), table->size())
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
    : PropCommand(table, QStringLiteral("Remove Prop"), -1)
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

ReplaceTableCommand::ReplaceTableCommand(PropTable *table, const QString &text, QString countText,
                                         QVector<PropRecord> records)
    : PropCommand(table, text, -1)
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
