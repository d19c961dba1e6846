#pragma once

#include <QtGlobal>

// What a step of the history can tell it beyond QUndoCommand: the memory it holds, and a
// compact form to keep it in while it is far from the current point of the history.
class HistoryStep
{
public:
    virtual ~HistoryStep() = default;

    // The bytes the step holds now, roughly but honestly: its strings and arrays with their
    // allocation overhead.
    virtual qint64 heldBytes() const = 0;
    // Whether compact() would make the step smaller.
    virtual bool canCompact() const { return false; }
    // Puts what the step holds into a smaller form, which its undo() and redo() bring back.
    // Runs on a worker thread while nothing else touches the step, so it may touch nothing
    // but the step's own data.
    virtual void compact() { }
};
