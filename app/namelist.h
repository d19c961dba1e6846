#pragma once

#include <QListView>

// The visible name list: a list of prop names where Ctrl+click, Shift+click and Ctrl+A select
// several. Tabbing into it selects nothing, and a click on the row that is already picked alone
// is reported again, since every pick of a name runs the selection behaviour.
class NameList : public QListView
{
    Q_OBJECT

public:
    explicit NameList(QWidget *parent = nullptr);

    // Shows `rows` (in table order) selected and `current` as the current row, and scrolls to
    // it; none for -1.
    void showSelection(const QVector<int> &rows, int current);
    // The selected rows in table order, read from the list's ranges.
    QVector<int> selectedRowsInOrder() const;

signals:
    void currentRowClickedAgain(int row);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
};
