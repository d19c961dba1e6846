#pragma once

#include "app/historystep.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QUndoCommand;

// The undo history: the steps Edit > Undo and Redo walk, with the names and meanings of
// QUndoStack's: push() does a step and discards what could be redone, merging it with the
// step on top as QUndoStack does; undo() and redo() move through the steps. Its clean index is
// QUndoStack's too: the point where the list was last saved, which no step merges into and
// which is lost when the steps before it go. (QUndoStack's macros and obsolete commands are
// left out: the editor uses none of them.)
//
// Its memory is bounded: besides the number of steps, a budget of bytes over what they hold.
// When a push would pass it the oldest steps go, but the newest step always stays. Steps
// that tell their size (HistoryStep) are put in their compact form on a worker thread once
// they are neither the next to undo nor the next to redo, so a step taken back or done
// again right away needs no work to restore it; a push that would pass the budget first
// waits for that, the step it moved away from included, so that what fits once compact stays.
class History : public QObject
{
    Q_OBJECT

public:
    explicit History(QObject *parent = nullptr);
    ~History() override;

    // Takes the command, calls its redo() and puts it on top (or merges it into the step on
    // top when both have the same id() other than -1 and mergeWith() agrees; the pushed
    // command is then deleted). Steps that could be redone are deleted first.
    void push(QUndoCommand *command);
    void undo();
    void redo();

    bool canUndo() const { return m_index > 0; }
    bool canRedo() const { return m_index < count(); }
    // The action text of the step undo() or redo() would take; empty when there is none.
    QString undoText() const;
    QString redoText() const;
    // The number of steps, and how many of them are done (the next redo() is step index()).
    int count() const { return int(m_steps.size()); }
    int index() const { return m_index; }

    // The point where the list matches its file: setClean() marks the current one, resetClean()
    // none. cleanIndex() is -1 when no point is clean, as when that point's steps were dropped.
    void setClean();
    void resetClean();
    bool isClean() const { return m_cleanIndex == m_index; }
    int cleanIndex() const { return m_cleanIndex; }
    // The clean point as a mark that stays valid while older steps are dropped, for a step that
    // hands the history another list with a clean point of its own (see setCleanMark()).
    qint64 cleanMark() const { return m_cleanIndex < 0 ? -1 : m_cleanIndex + m_dropped; }
    // Puts back a clean point taken by cleanMark(); one whose steps were dropped meanwhile is
    // none. cleanChanged() follows once the step that calls it is done.
    void setCleanMark(qint64 mark);

    // The most steps kept, 0 for no limit. Like QUndoStack's, set only while empty.
    void setUndoLimit(int limit);
    int undoLimit() const { return m_undoLimit; }
    // The most bytes the steps may hold together, 0 for no limit. The newest step stays even
    // when it alone holds more.
    void setByteLimit(qint64 bytes) { m_byteLimit = bytes; }
    qint64 byteLimit() const { return m_byteLimit; }

    // The bytes the steps hold, as each last told. A step being compacted counts with its
    // full size until settle(), or a push that would pass the budget, waits for it.
    qint64 heldBytes() const;
    // Waits until no step is being compacted.
    void settle();

signals:
    void indexChanged(int index);
    void canUndoChanged(bool canUndo);
    void canRedoChanged(bool canRedo);
    void undoTextChanged(const QString &undoText);
    void redoTextChanged(const QString &redoText);
    void cleanChanged(bool clean);

private:
    struct Step;

    void emitChanges();
    void emitClean();
    void dropOldest();
    void compactFarSteps();

    // Oldest first; m_steps[m_index - 1] is the next to undo, m_steps[m_index] the next to redo.
    std::vector<std::unique_ptr<Step>> m_steps;
    int m_index = 0;
    int m_cleanIndex = 0;
    // How many steps were ever dropped from the bottom, and whether the last cleanChanged() said
    // clean.
    qint64 m_dropped = 0;
    bool m_wasClean = true;
    int m_undoLimit = 0;
    qint64 m_byteLimit = 0;
};
