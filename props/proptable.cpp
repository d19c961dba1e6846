#include "props/proptable.h"

#include "props/numbertext.h"

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
    emit fieldChanged(row, field);
}

void PropTable::setSelectedRow(int row)
{
    const int before = m_selectedRow;
    m_selectedRow = (row >= 0 && row < size()) ? row : -1;
    if (m_selectedRow != before)
        emit selectedRowChanged(m_selectedRow);
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
    m_selectedRow = -1;
    beginRemoveRows(QModelIndex(), row, row);
    PropRecord record = m_records.takeAt(row);
    endRemoveRows();
    setCountText(adjustedCount(m_countText, -1, size()));
    return record;
}

void PropTable::insertRecord(int row, PropRecord record)
{
    beginInsertRows(QModelIndex(), row, row);
    m_records.insert(row, std::move(record));
    endInsertRows();
}

void PropTable::swapContents(QString &countText, QVector<PropRecord> &records)
{
    beginResetModel();
    m_records.swap(records);
    m_selectedRow = -1;
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
