#include "app/namelist.h"

#include <QItemSelectionModel>

#include <QMouseEvent>

#include <algorithm>

NameList::NameList(QWidget *parent)
    : QListView(parent)
{
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::StrongFocus);
}

// The item view would make the first row current when it gains the focus by Tab; a prop
// is picked only by a click or the arrow keys.
void NameList::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void NameList::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (!hit.isValid() || event->button() != Qt::LeftButton) {
        // A click below the last name, or with another button, takes the focus but picks
        // nothing and keeps the highlight on the selected prop.
        event->accept();
        return;
    }
    const QModelIndex before = currentIndex();
    const bool alone = selectionModel()->isSelected(before)
                       && selectionModel()->selection().size() == 1
                       && selectionModel()->selection().first().height() == 1;
    QListView::mousePressEvent(event);
    if (hit == before && currentIndex() == before && alone
        && !(event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)))
        emit currentRowClickedAgain(hit.row());
}

void NameList::showSelection(const QVector<int> &rows, int current)
{
    QItemSelectionModel *selection = selectionModel();
    // Runs of rows become one range each, so that a whole list selected is one range.
    QItemSelection ranges;
    for (int i = 0; i < int(rows.size());) {
        int last = i;
        while (last + 1 < int(rows.size()) && rows.at(last + 1) == rows.at(last) + 1)
            ++last;
        ranges.select(model()->index(rows.at(i), 0), model()->index(rows.at(last), 0));
        i = last + 1;
    }
    if (current >= 0) {
        const QModelIndex index = model()->index(current, 0);
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        scrollTo(index);
    } else {
        selection->clearCurrentIndex();
    }
    // Cleared first and then selected: replacing one selection of many ranges by another in
    // one call compares every old range with every new one.
    if (selection->selection() == ranges)
        return;
    if (selection->hasSelection())
        selection->clearSelection();
    if (!ranges.isEmpty())
        selection->select(ranges, QItemSelectionModel::Select);
}

QVector<int> NameList::selectedRowsInOrder() const
{
    QVector<int> rows;
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}
