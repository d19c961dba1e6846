#pragma once

#include <QListView>

// The visible name list: a plain single-selection list of prop names. Tabbing into it
// selects nothing, and a click on the row that is already picked is reported again, since
// every pick of a name runs the selection behaviour.
class NameList : public QListView
{
    Q_OBJECT

public:
    explicit NameList(QWidget *parent = nullptr);

    // Makes `row` the current and only selected row and scrolls to it; none for -1.
    void showRow(int row);

signals:
    void currentRowClickedAgain(int row);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
};
