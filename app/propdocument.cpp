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

bool PropDocument::removeSelected()
{
    if (!m_table->hasSelection())
        return false;
    m_history->push(new RemovePropCommand(m_table));
    return true;
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

void PropDocument::mapStep(MapCanvas::Step step, int row, const FieldTexts &texts)
{
    emit writeBackRequested();
    if (row < 0 || row != m_table->selectedRow())
        return;
    if (step == MapCanvas::Step::Nudge)
        m_history->push(new NudgePropCommand(m_table, row, texts));
    else
        m_history->push(new FieldsCommand(m_table,
                                          step == MapCanvas::Step::Move
                                                  ? QStringLiteral("Move Prop")
                                                  : QStringLiteral("Turn Prop"),
                                          row, texts));
    emit fieldsStepped(texts);
}

void PropDocument::emitFilePath(const QString &before)
{
    if (m_filePath != before)
        emit filePathChanged(m_filePath);
}
