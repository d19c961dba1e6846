#include "app/namelist.h"

#include <QItemSelectionModel>

#include <QMouseEvent>

NameList::NameList(QWidget *parent)
    : QListView(parent)
{
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
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
    QListView::mousePressEvent(event);
    if (hit == before && currentIndex() == before)
        emit currentRowClickedAgain(hit.row());
}

void NameList::showRow(int row)
{
    QItemSelectionModel *selection = selectionModel();
    if (row >= 0) {
        const QModelIndex index = model()->index(row, 0);
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        scrollTo(index);
    } else {
        selection->clearCurrentIndex();
        selection->clearSelection();
    }
}
