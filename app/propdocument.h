#pragma once

#include "app/mapcanvas.h"
#include "props/proprecord.h"
#include "props/proptable.h"

#include <QObject>
#include <QString>
#include <QVector>

class History;
class RecoveryKeeper;

// The one document both windows work on: the prop table, its undo history, the file it belongs
// to, whether it has changes not yet saved, and a placement waiting for its click. Every change
// to the list is one operation here; the windows show what it did.
class PropDocument : public QObject
{
    Q_OBJECT

public:
    enum class AddResult { Added, Full, BadName };

    explicit PropDocument(QObject *parent = nullptr);
    ~PropDocument() override;

    PropTable *table() { return m_table; }
    const PropTable *table() const { return m_table; }
    History *history() const { return m_history; }
    // The copy of the list kept while it has unsaved changes, for a start after a crash.
    RecoveryKeeper *recovery() const { return m_recovery; }
    // The file the list was opened from or last saved to; empty for none.
    QString filePath() const { return m_filePath; }
    bool isModified() const;
    // 0 idle, -1 armed: the next click on a map places the selected prop.
    qint16 placePending() const { return m_placePending; }
    void armPlacement() { m_placePending = -1; }
    void endPlacement() { m_placePending = 0; }

    // File > New and File > Open: the list is replaced as one step, and matches its file.
    void newList();
    void open(const QString &path, QString countText, QVector<PropRecord> records);
    // A list kept from an earlier run, put in with the file it belongs to as one step; it has
    // unsaved changes until it is saved.
    void restore(QString countText, QVector<PropRecord> records, QString filePath);
    // Writes the list to `path`, which becomes its file. Empty when it saved; otherwise the
    // message that says why nothing was saved.
    QString save(const QString &path);

    // Add Prop: a new prop named `name` at the end, selected, when the list has room and the
    // name would read back from a saved list.
    AddResult addProp(const QString &name);
    // Remove Prop: every selected prop goes; false when none is selected.
    bool removeSelected();
    // Cut: the selected props go, without a question.
    bool cutSelected();
    // Duplicate: copies of the selected props at the end, selected; Full when the list has no
    // room for them.
    AddResult duplicateSelected();
    // Paste: `records` at the end, selected; Full when the list has no room for them.
    AddResult paste(QVector<PropRecord> records);
    // New text for a field of `row`, written back from its box; the same text is no step.
    void editField(int row, int field, const QString &text);
    // New text for a field of every selected prop; props that hold it already are left out.
    void editSelectedField(int field, const QString &text);
    // A placing click at level position x, y: the placement ends, the selected prop goes there.
    void place(const QString &x, const QString &y);
    void undo();
    void redo();

    // What the large map asks for: a click (a placement, or a pick of `row`), a pick, and a
    // drag, nudge or turn of the selected prop.
    void mapClick(int row, const QString &x, const QString &y);
    void pick(int row);
    // A new selection, in the order of picking (the last one current), as a pick is made.
    void select(const QVector<int> &rows);
    void mapStep(MapCanvas::Step step, const QVector<PropTable::FieldText> &texts);

signals:
    // Before an operation of the large map or a save: a value typed into a field box and not
    // yet written back is to go into its prop first.
    void writeBackRequested();
    // A prop was picked on the large map; the window shows the pick.
    void picked();
    // A placing click put the selected prop at its new X and Y.
    void placed();
    // The large map changed fields of the selected props.
    void fieldsStepped();
    void modifiedChanged(bool modified);
    void filePathChanged(const QString &path);
    // After every change of the table's contents: a step done (or merged), undone or redone.
    void contentsChanged();

private:
    void replaceList(const QString &step, QString countText, QVector<PropRecord> records,
                     const QString &path, bool saved);
    void emitFilePath(const QString &before);

    PropTable *m_table = nullptr;
    History *m_history = nullptr;
    RecoveryKeeper *m_recovery = nullptr;
    QString m_filePath;
    qint16 m_placePending = 0;
};
