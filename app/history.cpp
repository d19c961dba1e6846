#include "app/history.h"

#include <QUndoCommand>

#include <atomic>
#include <system_error>
#include <thread>

// One step: the command, what it holds, and the worker that may be compacting it. Nothing
// but the worker touches the command while the worker runs; it is joined before the
// command is used, measured or deleted.
struct History::Step
{
    explicit Step(QUndoCommand *command)
        : command(command)
        , sized(dynamic_cast<HistoryStep *>(command))
    {
        measure();
    }
    ~Step()
    {
        wait();
        delete command;
    }

    void measure()
    {
        // A command that does not tell is taken as its object and its text.
        bytes = sized ? sized->heldBytes() : 128 + 2 * command->actionText().size();
    }
    void wait()
    {
        if (worker.joinable())
            worker.join();
    }
    // Waits for a running compaction and takes the step's new size.
    void finish()
    {
        if (worker.joinable()) {
            wait();
            measure();
        }
    }
    // Joins a worker that is done, so that its thread does not linger.
    void reap()
    {
        if (worker.joinable() && done.load(std::memory_order_acquire))
            finish();
    }
    void startCompacting()
    {
        if (worker.joinable() || !sized || !sized->canCompact())
            return;
        done.store(false);
        try {
            worker = std::thread([this] {
                sized->compact();
                done.store(true, std::memory_order_release);
            });
        } catch (const std::system_error &) {
            // No thread to spare: the step stays as it is.
        }
    }

    QUndoCommand *const command;
    HistoryStep *const sized;
    qint64 bytes = 0;
    std::thread worker;
    std::atomic<bool> done{false};
};

History::History(QObject *parent)
    : QObject(parent)
{ }

History::~History()
{
    // Oldest first, as QUndoStack deletes its commands.
    for (std::unique_ptr<Step> &step : m_steps)
        step.reset();
}

void History::push(QUndoCommand *command)
{
    command->redo();
    Step *top = m_index > 0 ? m_steps[m_index - 1].get() : nullptr;
    while (count() > m_index)
        m_steps.pop_back();
    // The saved point's step was among those just discarded: no undo reaches it again.
    if (m_cleanIndex > m_index)
        m_cleanIndex = -1;
    bool merged = false;
    // Nothing merges into the step at the clean point: a change after a save is a step of its own.
    if (top && m_cleanIndex != m_index && top->command->id() != -1
        && top->command->id() == command->id()) {
        top->finish(); // the merge may change what a compaction is reading
        merged = top->command->mergeWith(command);
    }
    if (merged) {
        delete command;
        top->measure();
    } else {
        m_steps.push_back(std::make_unique<Step>(command));
    }
    m_index = count();
    if (m_undoLimit > 0 && count() > m_undoLimit)
        dropOldest();
    // The step that was on top is now far from the current point: it is compacted before the
    // budget is checked, so that no step goes that would have fitted beside it in its compact
    // form. Those being compacted count with their compact size before any step goes.
    compactFarSteps();
    if (m_byteLimit > 0 && heldBytes() > m_byteLimit)
        settle();
    while (m_byteLimit > 0 && count() > 1 && heldBytes() > m_byteLimit)
        dropOldest();
    emitChanges();
}

void History::undo()
{
    if (m_index == 0)
        return;
    Step &step = *m_steps[m_index - 1];
    step.finish();
    step.command->undo();
    step.measure();
    --m_index;
    emitChanges();
    compactFarSteps();
}

void History::redo()
{
    if (m_index == count())
        return;
    Step &step = *m_steps[m_index];
    step.finish();
    step.command->redo();
    step.measure();
    ++m_index;
    emitChanges();
    compactFarSteps();
}

QString History::undoText() const
{
    return canUndo() ? m_steps[m_index - 1]->command->actionText() : QString();
}

QString History::redoText() const
{
    return canRedo() ? m_steps[m_index]->command->actionText() : QString();
}

void History::setClean()
{
    m_cleanIndex = m_index;
    emitClean();
}

void History::resetClean()
{
    m_cleanIndex = -1;
    emitClean();
}

void History::setCleanMark(qint64 mark)
{
    m_cleanIndex = mark < m_dropped ? -1 : int(mark - m_dropped);
}

void History::setUndoLimit(int limit)
{
    if (!m_steps.empty()) {
        qWarning("History::setUndoLimit(): an undo limit can only be set when the history is "
                 "empty");
        return;
    }
    m_undoLimit = limit;
}

qint64 History::heldBytes() const
{
    qint64 total = 0;
    for (const std::unique_ptr<Step> &step : m_steps)
        total += step->bytes;
    return total;
}

void History::settle()
{
    for (std::unique_ptr<Step> &step : m_steps)
        step->finish();
}

void History::emitChanges()
{
    // In QUndoStack's order.
    emit indexChanged(m_index);
    emit canUndoChanged(canUndo());
    emit undoTextChanged(undoText());
    emit canRedoChanged(canRedo());
    emit redoTextChanged(redoText());
    emitClean();
}

void History::emitClean()
{
    if (isClean() != m_wasClean) {
        m_wasClean = isClean();
        emit cleanChanged(m_wasClean);
    }
}

void History::dropOldest()
{
    m_steps.erase(m_steps.begin());
    --m_index;
    ++m_dropped;
    if (m_cleanIndex >= 0)
        --m_cleanIndex;
}

// Every step but the next to undo and the next to redo is kept compact. Workers that are done
// are joined on the way.
void History::compactFarSteps()
{
    for (int i = 0; i < count(); ++i) {
        m_steps[i]->reap();
        if (i != m_index - 1 && i != m_index)
            m_steps[i]->startCompacting();
    }
}
