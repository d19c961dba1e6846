#pragma once

#include "props/proprecord.h"

#include <QAbstractListModel>
#include <QPointF>
#include <QVector>

// The editor's one document: the ordered list of props, the prop count as text, and the
// selected props. As a list model it shows the prop names, one row per prop.
class PropTable : public QAbstractListModel
{
    Q_OBJECT

public:
    // Row indexes are 16-bit signed values, so the table holds at most this many props.
    static constexpr int MaxRows = 32767;

    explicit PropTable(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // The name list asks for every row's index each time it lays itself out; checked here
    // without the base class's calls back into rowCount and columnCount.
    QModelIndex index(int row, int column = 0,
                      const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    int size() const { return int(m_records.size()); }
    const QVector<PropRecord> &records() const { return m_records; }
    const PropRecord &record(int row) const { return m_records.at(row); }

    // field is 0..5: position X, position Z, position Y, angle X, angle Y, angle Z.
    QString field(int row, int field) const { return m_records.at(row).fields.at(field); }
    void setField(int row, int field, const QString &text);
    QString name(int row) const { return m_records.at(row).name; }
    // Each row's X and Y position as numbers, NaN where either is no number: read once when
    // the maps first ask after the table was replaced, then kept as the fields change.
    const QVector<QPointF> &positions() const;

    // The prop count, as the count box shows it. It is the length every walk over the
    // table uses; the operations below keep it equal to the number of rows.
    const QString &countText() const { return m_countText; }

    // The current prop: the selected one picked last, which the field boxes show and a
    // placement moves; -1 when no row is selected. Selecting runs no selection behaviour (the
    // window runs that itself); it only tells views that draw the selection.
    int selectedRow() const { return m_selectedRow; }
    // Selects `row` alone (none for -1).
    void setSelectedRow(int row);
    bool hasSelection() const { return m_selectedRow >= 0; }

    // Every selected row, in the order they were picked: the last is the current one.
    const QVector<int> &selection() const { return m_selection; }
    // Selects `rows` in this order of picking; rows out of range and repeats are left out.
    void setSelection(const QVector<int> &rows);
    int selectionCount() const { return int(m_selection.size()); }
    bool isSelected(int row) const
    {
        return row >= 0 && row < int(m_isSelected.size()) && m_isSelected.at(row);
    }
    // The selected rows in table order.
    QVector<int> selectedRows() const;
    // The selected props, in table order.
    QVector<PropRecord> selectedRecords() const;
    // The text every selected prop has in `field`; empty where they differ or none is selected.
    QString sharedField(int field) const;

    // Appends a prop named `name` with six "0" fields and raises the count by one.
    // Returns the new row, or -1 when the table is full.
    int addProp(const QString &name);

    // Removes `row` and lowers the count by one; afterwards no row is selected. Returns the
    // removed prop.
    PropRecord takeRow(int row);

    // New texts for many fields at once, told as one change (fieldsChanged).
    struct FieldText
    {
        int row;
        int field;
        QString text;
    };
    void setFields(const QVector<FieldText> &texts);

    // Removes `rows` (in table order) as one change of the model and lowers the count by as
    // many; afterwards no row is selected. Returns the removed props, in the same order.
    QVector<PropRecord> takeRows(const QVector<int> &rows);
    // Puts props back at `rows` (in table order, each the row it has afterwards) as one change
    // of the model; the count is the caller's.
    void insertRecords(const QVector<int> &rows, QVector<PropRecord> records);
    // Appends props at the end as one change of the model and raises the count by as many.
    void appendRecords(const QVector<PropRecord> &records);

    // Puts a prop in at `row`, moving the later rows down; the count is the caller's.
    void insertRecord(int row, PropRecord record);

    // Exchanges the whole table, count and rows, with the given one, as opening a file does;
    // no row is selected afterwards. Nothing is copied.
    void swapContents(QString &countText, QVector<PropRecord> &records);

    // Sets the count text as it stands, as putting a change back does.
    void setCountText(const QString &text);

    // Test and benchmark support: replaces the whole table.
    void replace(QString countText, QVector<PropRecord> records);

signals:
    void countTextChanged(const QString &countText);
    // A field was set (by setField only; rows coming and going are the model's own signals).
    void fieldChanged(int row, int field);
    // Fields of these rows were set by setFields.
    void fieldsChanged(const QVector<int> &rows);
    // The current row changed (selectionChanged follows).
    void selectedRowChanged(int row);
    // The selected rows or the current one changed.
    void selectionChanged();

private:
    QVector<PropRecord> m_records;
    QString m_countText = QStringLiteral("0");
    int m_selectedRow = -1;
    QVector<int> m_selection;
    // For each row, whether it is selected; as long as the table, or empty when none is.
    QVector<bool> m_isSelected;
    // Forgets the selection without telling, when the rows move under it.
    void dropSelection();
    static QPointF positionOf(const PropRecord &record);
    // Keeps the position of `row` as its X or Y `field` changes; nothing while the positions
    // are to be read anew.
    void setPosition(int row, int field);

    mutable QVector<QPointF> m_positions;
    mutable bool m_positionsRead = true;
};
