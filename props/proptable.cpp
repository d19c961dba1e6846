#include "props/proptable.h"

#include "props/numbertext.h"

#include <algorithm>
#include <cmath>
#include <limits>

PropTable::PropTable(QObject *parent)
    : QAbstractListModel(parent)
{ }

int PropTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : size();
}

QModelIndex PropTable::index(int row, int column, const QModelIndex &parent) const
{
    const bool inside = row >= 0 && row < size() && column == 0 && !parent.isValid();
    return inside ? createIndex(row, column) : QModelIndex();
}

QVariant PropTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= size())
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_records.at(index.row()).name;
    return QVariant();
}

void PropTable::setField(int row, int field, const QString &text)
{
    m_records[row].fields.at(field) = text;
    if (field == 0 || field == 2)
        setPosition(row, field);
    emit fieldChanged(row, field);
}

QPointF PropTable::positionOf(const PropRecord &record)
{
    const std::optional<double> x = NumberText::parse(record.fields[0]);
    const std::optional<double> y = NumberText::parse(record.fields[2]);
    const double none = std::numeric_limits<double>::quiet_NaN();
    return x && y ? QPointF(*x, *y) : QPointF(none, none);
}

void PropTable::setPosition(int row, int field)
{
    if (!m_positionsRead)
        return;
    QPointF &position = m_positions[row];
    // With the other coordinate a number, only the changed one is read again.
    const std::optional<double> value = NumberText::parse(m_records.at(row).fields[field]);
    if (value && std::isfinite(position.x()))
        (field == 0 ? position.rx() : position.ry()) = *value;
    else
        position = positionOf(m_records.at(row));
}

const QVector<QPointF> &PropTable::positions() const
{
    if (!m_positionsRead) {
        m_positions.resize(m_records.size());
        for (int row = 0; row < size(); ++row)
            m_positions[row] = positionOf(m_records.at(row));
        m_positionsRead = true;
    }
    return m_positions;
}

void PropTable::setSelectedRow(int row)
{
    setSelection(row >= 0 ? QVector<int>{row} : QVector<int>());
}

namespace {

// QList's own comparison hands empty lists' null data to memcmp.
bool sameRows(const QVector<int> &a, const QVector<int> &b)
{
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend());
}

} // namespace

void PropTable::setSelection(const QVector<int> &rows)
{
    // The selection it already is, as most steps leave it: nothing to look through.
    if (sameRows(rows, m_selection))
        return;
    const int before = m_selectedRow;
    const QVector<int> selectionBefore = m_selection;
    dropSelection();
    for (int row : rows) {
        if (row < 0 || row >= size() || isSelected(row))
            continue;
        if (m_isSelected.isEmpty())
            m_isSelected.fill(false, size());
        m_isSelected[row] = true;
        m_selection.append(row);
    }
    // The same rows in the same order share their data with the old selection.
    if (sameRows(m_selection, selectionBefore))
        m_selection = selectionBefore;
    m_selectedRow = m_selection.isEmpty() ? -1 : m_selection.last();
    if (m_selectedRow != before)
        emit selectedRowChanged(m_selectedRow);
    if (m_selectedRow != before || !sameRows(m_selection, selectionBefore))
        emit selectionChanged();
}

QVector<int> PropTable::selectedRows() const
{
    QVector<int> rows;
    rows.reserve(m_selection.size());
    for (int row = 0; row < int(m_isSelected.size()); ++row) {
        if (m_isSelected.at(row))
            rows.append(row);
    }
    return rows;
}

QVector<PropRecord> PropTable::selectedRecords() const
{
    QVector<PropRecord> records;
    records.reserve(m_selection.size());
    for (int row : selectedRows())
        records.append(m_records.at(row));
    return records;
}

QString PropTable::sharedField(int field) const
{
    if (m_selection.isEmpty())
        return QString();
    const QString &text = m_records.at(m_selection.first()).fields.at(field);
    for (int row : m_selection) {
        if (m_records.at(row).fields.at(field) != text)
            return QString();
    }
    return text;
}

void PropTable::dropSelection()
{
    m_selectedRow = -1;
    m_selection.clear();
    m_isSelected.clear();
}

namespace {

// The count plus `delta`, as the shortest decimal text. A count that does not read as a
// number (only possible through test support) is replaced by the real number of rows.
QString adjustedCount(const QString &countText, int delta, int rows)
{
    const std::optional<double> count = NumberText::parse(countText);
    return count ? NumberText::formatDouble(*count + delta) : QString::number(rows);
}

} // namespace

int PropTable::addProp(const QString &name)
{
    if (size() >= MaxRows)
        return -1;
    setCountText(adjustedCount(m_countText, +1, size() + 1));
    PropRecord record;
    record.fields.fill(QStringLiteral("0"));
    record.name = name;
    insertRecord(size(), std::move(record));
    return size() - 1;
}

PropRecord PropTable::takeRow(int row)
{
    dropSelection();
    beginRemoveRows(QModelIndex(), row, row);
    PropRecord record = m_records.takeAt(row);
    if (m_positionsRead)
        m_positions.remove(row);
    endRemoveRows();
    setCountText(adjustedCount(m_countText, -1, size()));
    return record;
}

void PropTable::insertRecord(int row, PropRecord record)
{
    if (row < size())
        dropSelection();
    else if (!m_isSelected.isEmpty())
        m_isSelected.append(false);
    beginInsertRows(QModelIndex(), row, row);
    if (m_positionsRead)
        m_positions.insert(row, positionOf(record));
    m_records.insert(row, std::move(record));
    endInsertRows();
}

void PropTable::swapContents(QString &countText, QVector<PropRecord> &records)
{
    beginResetModel();
    m_records.swap(records);
    dropSelection();
    m_positions = QVector<QPointF>();
    m_positionsRead = false;
    endResetModel();
    m_countText.swap(countText);
    emit countTextChanged(m_countText);
}

void PropTable::replace(QString countText, QVector<PropRecord> records)
{
    swapContents(countText, records);
}

void PropTable::setCountText(const QString &text)
{
    m_countText = text;
    emit countTextChanged(m_countText);
}

void PropTable::setFields(const QVector<FieldText> &texts)
{
    QVector<int> rows;
    rows.reserve(texts.size());
    for (const FieldText &text : texts) {
        m_records[text.row].fields.at(text.field) = text.text;
        if (text.field == 0 || text.field == 2)
            setPosition(text.row, text.field);
        if (rows.isEmpty() || rows.last() != text.row)
            rows.append(text.row);
    }
    emit fieldsChanged(rows);
}

QVector<PropRecord> PropTable::takeRows(const QVector<int> &rows)
{
    dropSelection();
    QVector<PropRecord> taken;
    taken.reserve(rows.size());
    if (!rows.isEmpty() && rows.last() - rows.first() + 1 == rows.size()) {
        // One run of rows, as the props a paste or duplicate added: the rows around it stay.
        beginRemoveRows(QModelIndex(), rows.first(), rows.last());
        for (int row : rows)
            taken.append(std::move(m_records[row]));
        m_records.remove(rows.first(), rows.size());
        if (m_positionsRead)
            m_positions.remove(rows.first(), rows.size());
        endRemoveRows();
        setCountText(adjustedCount(m_countText, -int(taken.size()), size()));
        return taken;
    }
    beginResetModel();
    QVector<PropRecord> kept;
    kept.reserve(m_records.size() - rows.size());
    QVector<QPointF> keptPositions;
    keptPositions.reserve(m_positionsRead ? kept.capacity() : 0);
    auto next = rows.cbegin();
    for (int row = 0; row < size(); ++row) {
        if (next != rows.cend() && *next == row) {
            taken.append(std::move(m_records[row]));
            ++next;
        } else {
            kept.append(std::move(m_records[row]));
            if (m_positionsRead)
                keptPositions.append(m_positions.at(row));
        }
    }
    m_records.swap(kept);
    m_positions.swap(keptPositions);
    endResetModel();
    setCountText(adjustedCount(m_countText, -int(taken.size()), size()));
    return taken;
}

void PropTable::insertRecords(const QVector<int> &rows, QVector<PropRecord> records)
{
    dropSelection();
    beginResetModel();
    QVector<PropRecord> merged;
    merged.reserve(m_records.size() + records.size());
    QVector<QPointF> mergedPositions;
    mergedPositions.reserve(m_positionsRead ? merged.capacity() : 0);
    auto next = rows.cbegin();
    auto kept = m_records.begin();
    for (int row = 0; row < int(m_records.size() + records.size()); ++row) {
        if (next != rows.cend() && *next == row) {
            merged.append(std::move(records[next - rows.cbegin()]));
            if (m_positionsRead)
                mergedPositions.append(positionOf(merged.last()));
            ++next;
        } else {
            if (m_positionsRead)
                mergedPositions.append(m_positions.at(int(kept - m_records.begin())));
            merged.append(std::move(*kept++));
        }
    }
    m_records.swap(merged);
    m_positions.swap(mergedPositions);
    endResetModel();
}

void PropTable::appendRecords(const QVector<PropRecord> &records)
{
    if (records.isEmpty() || size() + records.size() > MaxRows)
        return;
    if (!m_isSelected.isEmpty())
        m_isSelected.resize(size() + records.size(), false);
    setCountText(adjustedCount(m_countText, int(records.size()), size() + int(records.size())));
    beginInsertRows(QModelIndex(), size(), size() + int(records.size()) - 1);
    for (const PropRecord &record : records) {
        if (m_positionsRead)
            m_positions.append(positionOf(record));
    }
    m_records.append(records);
    endInsertRows();
}
