// A real editor window, driven from the command line, for the recovery tests: it opens FILE,
// writes TEXT into the first prop's X Position as a user would (typed, then Tab), and says
// on its output when that is done and when its recovery copy is written or removed, then
// runs until it is ended. TEXT may be several texts split by '|': each next one is written
// once the copy holds the one before, and the copy is said written once it holds the last. Options
// after TEXT: "save" saves FILE once the copy is written; "hold" puts the copy's write off for an
// hour, so that only an ending session writes it.
#include "app/form1.h"
#include "app/recoverykeeper.h"
#include "props/proptable.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QTimer>

#include <cstdio>

namespace {

void say(const char *what)
{
    std::printf("%s\n", what);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZRM")); // as the editor names itself
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    const QString file = args.at(1);
    Form1 window;
    RecoveryKeeper *keeper = window.recoveryKeeper();
    if (args.contains(QStringLiteral("hold")))
        keeper->setWriteDelay(3600 * 1000);
    const bool save = args.contains(QStringLiteral("save"));
    const QStringList texts = args.at(2).split(u'|');
    int next = 0;
    auto type = [&window, &texts, &next] {
        auto *list = window.findChild<QListView *>(QStringLiteral("List7"));
        list->selectionModel()->setCurrentIndex(list->model()->index(0, 0),
                                                QItemSelectionModel::ClearAndSelect);
        auto *box = window.findChild<QLineEdit *>(QStringLiteral("Text1"));
        box->setText(texts.at(next));
        box->setFocus(Qt::TabFocusReason);
        list->setFocus(Qt::TabFocusReason);
        return window.propTable()->field(0, 0) == texts.at(next++);
    };
    QObject::connect(keeper, &RecoveryKeeper::copyWritten, &window, [&, file, save] {
        if (next < texts.size())
            return void(type());
        say("written");
        if (save)
            window.SaveZRM(file);
    });
    QObject::connect(keeper, &RecoveryKeeper::copyRemoved, &window, [] { say("removed"); });
    window.show();
    window.openFile(file);
    window.activateWindow();
    // The edit is made once the window is active, so that moving the focus writes it back.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &window, [&poll, &window, &type] {
        if (!window.isActiveWindow())
            return;
        poll.stop();
        say(type() ? "changed" : "not changed");
    });
    poll.start(10);
    return QApplication::exec();
}
