#include "app/propdocument.h"

#include "app/filemessages.h"
#include "app/history.h"
#include "app/propcommands.h"
#include "app/recoverykeeper.h"
#include "props/proptable.h"
#include "props/proptextfile.h"

#include <QFileInfo>

namespace {

// How many steps Edit > Undo can go back, and the most memory they may hold together (the
// last step is kept whatever it holds).
constexpr int HistorySteps = 100;
constexpr qint64 HistoryBytes = qint64(64) << 20;

// New, Open and Restore: besides the table, the file the list belongs to and the point where
// it was saved change with the step. Undoing it gives the earlier list back with its own file
// and saved point; redoing it, the later one.
class ReplaceListCommand : public ReplaceTableCommand
{
public:
    ReplaceListCommand(PropTable *table, const QString &text, QString countText,
                       QVector<PropRecord> records, QString *filePath, History *history)
        : ReplaceTableCommand(table, text, std::move(countText), std::move(records))
        , m_filePath(filePath)
        , m_history(history)
        , m_otherPath(*filePath)
        // A saved point among the steps this one discards is gone with them.
        , m_otherMark(history->cleanIndex() > history->index() ? -1 : history->cleanMark())
    { }

private:
    void apply(bool forward) override
    {
        ReplaceTableCommand::apply(forward);
        // The document sets the new list's file and saved point itself when the step is done.
        if (!m_pushed) {
            m_pushed = true;
            return;
        }
        std::swap(*m_filePath, m_otherPath);
        const qint64 mark = m_history->cleanMark();
        m_history->setCleanMark(m_otherMark);
        m_otherMark = mark;
    }

    QString *const m_filePath;
    History *const m_history;
    QString m_otherPath;
    qint64 m_otherMark;
    bool m_pushed = false;
};

} // namespace

PropDocument::PropDocument(QObject *parent)
    : QObject(parent)
    , m_table(new PropTable(this))
    , m_history(new History(this))
{
    m_history->setUndoLimit(HistorySteps);
    m_history->setByteLimit(HistoryBytes);
    connect(m_history, &History::cleanChanged, this,
            [this](bool clean) { emit modifiedChanged(!clean); });
    // Every change of the contents, a nudge merged into the step before it included.
    connect(m_table, &PropTable::fieldChanged, this, &PropDocument::contentsChanged);
    connect(m_table, &PropTable::fieldsChanged, this, &PropDocument::contentsChanged);
    connect(m_table, &PropTable::countTextChanged, this, &PropDocument::contentsChanged);
    connect(m_table, &PropTable::rowsInserted, this, &PropDocument::contentsChanged);
    connect(m_table, &PropTable::rowsRemoved, this, &PropDocument::contentsChanged);
    connect(m_table, &PropTable::modelReset, this, &PropDocument::contentsChanged);
    // The snapshot shares the table's text, so taking it copies nothing.
    m_recovery = new RecoveryKeeper(
            [this] {
                return RecoverySnapshot{m_table->countText(), m_table->records(), m_filePath};
            },
            this);
    connect(this, &PropDocument::modifiedChanged, m_recovery, &RecoveryKeeper::setModified);
    connect(this, &PropDocument::contentsChanged, m_recovery, &RecoveryKeeper::contentsChanged);
}

PropDocument::~PropDocument() = default;

bool PropDocument::isModified() const
{
    return !m_history->isClean();
}

void PropDocument::replaceList(const QString &step, QString countText, QVector<PropRecord> records,
                               const QString &path, bool saved)
{
    const QString before = m_filePath;
    m_history->push(new ReplaceListCommand(m_table, step, std::move(countText), std::move(records),
                                           &m_filePath, m_history));
    m_filePath = path;
    saved ? m_history->setClean() : m_history->resetClean();
    emitFilePath(before);
}

void PropDocument::newList()
{
    replaceList(QStringLiteral("New"), QStringLiteral("0"), {}, QString(), true);
}

// The file is kept by its absolute path, so that a name given on the command line still means
// the same file to a later save.
void PropDocument::open(const QString &path, QString countText, QVector<PropRecord> records)
{
    replaceList(QStringLiteral("Open"), std::move(countText), std::move(records),
                QFileInfo(path).absoluteFilePath(), true);
}

void PropDocument::restore(QString countText, QVector<PropRecord> records, QString filePath)
{
    replaceList(QStringLiteral("Restore"), std::move(countText), std::move(records), filePath,
                false);
}

// An edit still being typed is committed first, and a list that would not read back is
// refused before anything is written.
QString PropDocument::save(const QString &path)
{
    emit writeBackRequested();
    const QVector<PropRecord> &records = m_table->records();
    if (const auto problem = PropTextFile::findUnsavable(records))
        return FileMessages::unsavable(records, *problem);
    const QByteArray bytes = PropTextFile::serialize(m_table->countText(), records);
    if (bytes.size() > PropTextFile::MaxFileBytes)
        return FileMessages::tooLarge(bytes.size());
    const PropTextFile::WriteResult written = PropTextFile::writeFile(path, bytes);
    if (!written.ok)
        return written.error;
    const QString before = m_filePath;
    m_filePath = QFileInfo(path).absoluteFilePath();
    m_history->setClean();
    emitFilePath(before);
    return QString();
}

PropDocument::AddResult PropDocument::addProp(const QString &name)
{
    if (m_table->size() >= PropTable::MaxRows)
        return AddResult::Full;
    if (!PropTextFile::nameReadsBack(name))
        return AddResult::BadName;
    m_history->push(new AddPropCommand(m_table, name));
    return AddResult::Added;
}

namespace {

// A step's name, for one prop or for several.
QString stepName(const char *name, int props)
{
    return QString::fromLatin1(name) + (props > 1 ? QStringLiteral("s") : QString());
}

} // namespace

bool PropDocument::removeSelected()
{
    if (!m_table->hasSelection())
        return false;
    if (m_table->selectionCount() == 1)
        m_history->push(new RemovePropCommand(m_table));
    else
        m_history->push(new RemovePropsCommand(m_table, QStringLiteral("Remove Props")));
    return true;
}

bool PropDocument::cutSelected()
{
    if (!m_table->hasSelection())
        return false;
    m_history->push(
            new RemovePropsCommand(m_table, stepName("Cut Prop", m_table->selectionCount())));
    return true;
}

PropDocument::AddResult PropDocument::duplicateSelected()
{
    const QVector<int> rows = m_table->selectedRows();
    if (rows.isEmpty())
        return AddResult::Added;
    if (m_table->size() + rows.size() > PropTable::MaxRows)
        return AddResult::Full;
    QVector<PropRecord> copies;
    copies.reserve(rows.size());
    // Each copy's new row, so the copies are selected in the order their props were picked.
    QVector<int> newRow(m_table->size(), -1);
    for (int row : rows) {
        newRow[row] = m_table->size() + int(copies.size());
        copies.append(m_table->record(row));
    }
    QVector<int> selection;
    selection.reserve(rows.size());
    for (int row : m_table->selection())
        selection.append(newRow.at(row));
    m_history->push(new AppendPropsCommand(m_table, stepName("Duplicate Prop", int(rows.size())),
                                           std::move(copies), std::move(selection)));
    return AddResult::Added;
}

PropDocument::AddResult PropDocument::paste(QVector<PropRecord> records)
{
    if (m_table->size() + records.size() > PropTable::MaxRows)
        return AddResult::Full;
    const int count = int(records.size());
    if (count > 0)
        m_history->push(
                new AppendPropsCommand(m_table, stepName("Paste Prop", count), std::move(records)));
    return AddResult::Added;
}

void PropDocument::editSelectedField(int field, const QString &text)
{
    if (m_table->selectionCount() <= 1)
        return editField(m_table->selectedRow(), field, text);
    QVector<PropTable::FieldText> texts;
    for (int row : m_table->selectedRows()) {
        if (m_table->field(row, field) != text)
            texts.append({row, field, text});
    }
    if (texts.isEmpty())
        return;
    const QString step = QStringLiteral("Edit ") + PropRecord::FieldCaptions[field];
    m_history->push(new FieldsCommand(m_table, step, texts));
}

void PropDocument::editField(int row, int field, const QString &text)
{
    if (row < 0 || text == m_table->field(row, field))
        return;
    const QString step = QStringLiteral("Edit ") + PropRecord::FieldCaptions[field];
    m_history->push(new FieldsCommand(m_table, step, row, {{field, text}}));
}

// With no prop selected there is nowhere to put it, so the placement just ends.
void PropDocument::place(const QString &x, const QString &y)
{
    m_placePending = 0;
    const int row = m_table->selectedRow();
    if (row < 0)
        return;
    // A click where the prop already is changes nothing, and is no step to undo.
    if (x != m_table->field(row, 0) || y != m_table->field(row, 2))
        m_history->push(
                new FieldsCommand(m_table, QStringLiteral("Place Prop"), row, {{0, x}, {2, y}}));
    emit placed();
}

void PropDocument::undo()
{
    const QString before = m_filePath;
    m_history->undo();
    emitFilePath(before);
}

void PropDocument::redo()
{
    const QString before = m_filePath;
    m_history->redo();
    emitFilePath(before);
}

void PropDocument::mapClick(int row, const QString &x, const QString &y)
{
    if (m_placePending) {
        emit writeBackRequested();
        place(x, y);
    } else if (row >= 0) {
        pick(row);
    }
}

// As a click on the name: what was typed into a box goes into the prop it was typed for first.
void PropDocument::pick(int row)
{
    emit writeBackRequested();
    m_table->setSelectedRow(row);
    emit picked();
}

void PropDocument::select(const QVector<int> &rows)
{
    emit writeBackRequested();
    m_table->setSelection(rows);
    emit picked();
}

// Every changed row must be selected: a step the map asked for before the selection changed
// under it is not made.
void PropDocument::mapStep(MapCanvas::Step step, const QVector<PropTable::FieldText> &texts)
{
    emit writeBackRequested();
    QVector<int> rows;
    for (const PropTable::FieldText &text : texts) {
        if (!m_table->isSelected(text.row))
            return;
        if (rows.isEmpty() || rows.last() != text.row)
            rows.append(text.row);
    }
    if (texts.isEmpty())
        return;
    if (step == MapCanvas::Step::Nudge) {
        m_history->push(new NudgePropCommand(m_table, texts));
    } else if (rows.size() == 1) {
        FieldTexts fields;
        for (const PropTable::FieldText &text : texts)
            fields.append({text.field, text.text});
        m_history->push(new FieldsCommand(m_table,
                                          step == MapCanvas::Step::Move
                                                  ? QStringLiteral("Move Prop")
                                                  : QStringLiteral("Turn Prop"),
                                          rows.first(), fields));
    } else {
        m_history->push(new FieldsCommand(m_table, QStringLiteral("Move Props"), texts));
    }
    emit fieldsStepped();
}

void PropDocument::emitFilePath(const QString &before)
{
    if (m_filePath != before)
        emit filePathChanged(m_filePath);
}
