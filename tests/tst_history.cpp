#include "app/history.h"
#include "props/compacttable.h"

#include <QUndoStack>
#include <QtTest>

namespace {

// A step that logs what is done with it. Steps of id 1 merge, steps of id 2 refuse to.
class LoggedStep : public QUndoCommand
{
public:
    LoggedStep(QStringList *log, int id, const QString &text)
        : QUndoCommand(text)
        , m_log(log)
        , m_id(id)
    { }
    ~LoggedStep() override { *m_log << "delete " + text(); }
    void undo() override { *m_log << "undo " + text(); }
    void redo() override { *m_log << "redo " + text(); }
    int id() const override { return m_id; }
    bool mergeWith(const QUndoCommand *other) override
    {
        *m_log << "merge " + other->text() + " into " + text();
        if (m_id == 1)
            setText(text() + u'+' + other->text());
        return m_id == 1;
    }

private:
    QStringList *m_log;
    int m_id;
};

template<typename Stack>
void watch(Stack *stack, QStringList *log)
{
    auto note = [log](const char *what) {
        return [log, what](const auto &value) {
            *log << what + QVariant(value).toString();
        };
    };
    QObject::connect(stack, &Stack::indexChanged, note("index "));
    QObject::connect(stack, &Stack::canUndoChanged, note("canUndo "));
    QObject::connect(stack, &Stack::undoTextChanged, note("undoText "));
    QObject::connect(stack, &Stack::canRedoChanged, note("canRedo "));
    QObject::connect(stack, &Stack::redoTextChanged, note("redoText "));
    QObject::connect(stack, &Stack::cleanChanged, note("clean "));
}

template<typename Stack>
QString state(const Stack &stack)
{
    return QString("%1/%2 %3%4 [%5] [%6] clean at %7")
            .arg(stack.index())
            .arg(stack.count())
            .arg(stack.canUndo())
            .arg(stack.canRedo())
            .arg(stack.undoText(), stack.redoText())
            .arg(stack.cleanIndex());
}

} // namespace

// The undo history: QUndoStack's behaviour, and the packed form of the tables it keeps.
class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    // Step for step, signal for signal, on a seeded walk of pushes (some merging), undos, redos
    // and saved points within an undo limit, and the steps deleted at the end.
    void behavesAsQUndoStack()
    {
        QStringList expected, actual;
        {
            QUndoStack stack;
            History history;
            stack.setUndoLimit(5);
            history.setUndoLimit(5);
            watch(&stack, &expected);
            watch(&history, &actual);
            QRandomGenerator random(7);
            for (int i = 0; i < 500; ++i) {
                const int action = random.bounded(7), id = random.bounded(3);
                if (action < 2) {
                    stack.push(new LoggedStep(&expected, id == 0 ? -1 : id, QString::number(i)));
                    history.push(new LoggedStep(&actual, id == 0 ? -1 : id, QString::number(i)));
                } else if (action >= 5) {
                    action == 5 ? stack.setClean() : stack.resetClean();
                    action == 5 ? history.setClean() : history.resetClean();
                } else {
                    action < 4 ? stack.undo() : stack.redo();
                    action < 4 ? history.undo() : history.redo();
                }
                expected << state(stack);
                actual << state(history);
                QCOMPARE(actual.join(u'\n').right(400), expected.join(u'\n').right(400));
            }
            QVERIFY(expected.filter(QRegularExpression("^merge .*")).size() > 20);
        }
        // QUndoStack also signals that it is cleared as it goes; the window is gone by then.
        const QRegularExpression deleted("^delete ");
        QCOMPARE(actual.filter(deleted), expected.filter(deleted));
    }

    // Nulls, empty texts, characters beyond Latin-1 (U+0100 the first), a lone surrogate, NUL,
    // a long name and a count that is no canonical number come back exactly.
    void packedTablesComeBackExactly()
    {
        QVector<PropRecord> records(3);
        records[0] = {{QString(), "", "0", "-1.5", "x,y", QString(1, QChar(0))}, "Cr\u00e8me"};
        records[1] = {{"\u0100", "\u00ff\u0100", "\u20ac 1", QString(1, QChar(0xd800)), " ", "\""},
                      QString(70000, u'n')};
        records[2].name = "\u00ff";
        QString count;
        QVector<PropRecord> back;
        QVERIFY(CompactTable::unpack(CompactTable::pack("02", records), count, back));
        QCOMPARE(count, "02");
        QVERIFY(back == records);
        QVERIFY(back[0].fields[0].isNull() && !back[0].fields[1].isNull());
        QVERIFY(back[2].fields[0].isNull() && !back[2].name.isNull());
        QVERIFY(CompactTable::unpack(CompactTable::pack("0", {}), count, back));
        QVERIFY(count == "0" && back.isEmpty());
        // No records, and a count of one character that is not there.
        QVERIFY(!CompactTable::unpack(qCompress(QByteArray("\0\3", 2)), count, back));
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
