#pragma once

#include "app/historystep.h"
#include "props/proprecord.h"
#include "props/proptable.h"

#include <QUndoCommand>
#include <QVector>

// The undoable steps of the prop list. Each changes the prop table only, never a widget, and
// keeps just what it needs to put the table back: rows, count and selection as they were
// just before the step on undo, and as just after it on redo. A command does its change
// when it is pushed.
class PropCommand : public QUndoCommand, public HistoryStep
{
public:
    void undo() final;
    void redo() final;
    qint64 heldBytes() const override;

protected:
    // `selectionAfter` is the selection the step leaves (in the order of picking); the one
    // before is read now.
    PropCommand(PropTable *table, const QString &text, QVector<int> selectionAfter);
    virtual void apply(bool forward) = 0;

    PropTable *const m_table;

private:
    const QString m_countBefore;
    QString m_countAfter;
    bool m_done = false;
    const QVector<int> m_selectionBefore;
    const QVector<int> m_selectionAfter;
};

// New text in fields of one or more rows: a field written back from its box, the X and Y
// a placing click or a drag on the large map writes, the X angle a turn there writes. The
// selection stays as it is.
class FieldsCommand : public PropCommand
{
public:
    FieldsCommand(PropTable *table, const QString &text, int row, const FieldTexts &newTexts);
    // Fields of several rows, set as one change of the table.
    FieldsCommand(PropTable *table, const QString &text,
                  const QVector<PropTable::FieldText> &newTexts);
    qint64 heldBytes() const override;

protected:
    // The texts the changed fields had before the step and have after it, in the same order.
    QVector<PropTable::FieldText> m_before;
    QVector<PropTable::FieldText> m_after;
    // The rows changed, in table order.
    QVector<int> m_rows;

private:
    void apply(bool forward) override;
};

// A nudge of the selected props with the arrow keys on the large map. Nudges of the same props
// that follow each other with no other step between them merge into one step.
class NudgePropCommand : public FieldsCommand
{
public:
    NudgePropCommand(PropTable *table, const QVector<PropTable::FieldText> &newTexts);
    int id() const override { return 1; }
    bool mergeWith(const QUndoCommand *other) override;
};

// Add Prop: a new row at the end, selected.
class AddPropCommand : public PropCommand
{
public:
    AddPropCommand(PropTable *table, const QString &name);
    qint64 heldBytes() const override;

private:
    void apply(bool forward) override;
    const QString m_name;
};

// Remove Prop: the selected row goes; nothing is selected afterwards.
class RemovePropCommand : public PropCommand
{
public:
    explicit RemovePropCommand(PropTable *table);
    qint64 heldBytes() const override;

private:
    void apply(bool forward) override;
    const int m_row;
    PropRecord m_record;
};

// Remove Prop with several props selected: they all go in one change of the model, and come
// back to their rows.
class RemovePropsCommand : public PropCommand
{
public:
    RemovePropsCommand(PropTable *table, const QString &text);
    qint64 heldBytes() const override;

private:
    void apply(bool forward) override;
    const QVector<int> m_rows;
    QVector<PropRecord> m_records;
};

// Duplicate and Paste: props added at the end of the list, and selected.
class AppendPropsCommand : public PropCommand
{
public:
    // `selectionAfter`: the new rows in the order of picking; all of them in table order when
    // empty.
    AppendPropsCommand(PropTable *table, const QString &text, QVector<PropRecord> records,
                       QVector<int> selectionAfter = {});
    qint64 heldBytes() const override;

private:
    void apply(bool forward) override;
    const QVector<PropRecord> m_records;
};

// New and Open: the whole table is exchanged for another, moved, never copied. Far from the
// current point of the history the table it holds is kept packed, and unpacked when the step
// is undone or redone.
class ReplaceTableCommand : public PropCommand
{
public:
    ReplaceTableCommand(PropTable *table, const QString &text, QString countText,
                        QVector<PropRecord> records);
    qint64 heldBytes() const override;
    bool canCompact() const override;
    void compact() override;

protected:
    void apply(bool forward) override;

private:
    QString m_countText;
    QVector<PropRecord> m_records;
    // The two above, packed, while the step is compact; empty otherwise.
    QByteArray m_packed;
    bool m_worthPacking = true;
    // What the table above holds unpacked, and what the one it is exchanged with holds (-1
    // until known). Each table is measured once: whenever the step is undone or redone, the
    // table it gets back is the one it gave, as all steps after it are undone.
    qint64 m_tableBytes;
    qint64 m_otherTableBytes = -1;
};
