#include "app/largemap.h"

#include "app/mapcanvas.h"
#include "app/propdocument.h"

#include <QAction>
#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

namespace Texts {
const char *const Title = "Large Map";
const char *const Find = "&Find:";
const char *const FindHint = "Part of a name";
const char *const NoneFound = "none found";
const char *const OneFound = "1 found";
const char *const SomeFound = "%1 found";
const char *const SelectFound = "Select All";
const char *const SelectFoundTip = "Select all found (Alt+Enter)";
} // namespace Texts

} // namespace

LargeMap::LargeMap(PropDocument *document, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_find(new QLineEdit(this))
    , m_found(new QLabel(this))
    , m_selectFound(new QPushButton(QString::fromLatin1(Texts::SelectFound), this))
    , m_canvas(new MapCanvas(document->table(), this))
    , m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("LargeMap"));
    setWindowTitle(QString::fromLatin1(Texts::Title));
    m_find->setObjectName(QStringLiteral("txtFind"));
    m_find->setPlaceholderText(QString::fromLatin1(Texts::FindHint));
    m_find->setClearButtonEnabled(true);
    m_found->setObjectName(QStringLiteral("lblFound"));
    m_selectFound->setObjectName(QStringLiteral("cmdSelectFound"));
    m_selectFound->setToolTip(QString::fromLatin1(Texts::SelectFoundTip));
    m_selectFound->setAutoDefault(false);
    m_selectFound->setFocusPolicy(Qt::TabFocus);
    m_canvas->setObjectName(QStringLiteral("picLargeMap"));
    m_status->setObjectName(QStringLiteral("lblStatus"));

    auto *findLabel = new QLabel(QString::fromLatin1(Texts::Find), this);
    findLabel->setBuddy(m_find);
    auto *findRow = new QHBoxLayout;
    findRow->addWidget(findLabel);
    findRow->addWidget(m_find, 1);
    findRow->addWidget(m_found);
    findRow->addWidget(m_selectFound);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(findRow);
    layout->addWidget(m_canvas, 1);
    layout->addWidget(m_status);

    connect(m_find, &QLineEdit::textChanged, m_canvas, &MapCanvas::setFindText);
    connect(m_find, &QLineEdit::returnPressed, m_canvas, &MapCanvas::findNext);
    connect(m_selectFound, &QPushButton::clicked, m_canvas, &MapCanvas::selectFound);
    // Alt+Enter in the find box selects what it found, where Enter alone finds the next.
    auto *selectFound = new QAction(m_find);
    selectFound->setShortcuts(
            {QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::ALT | Qt::Key_Enter)});
    selectFound->setShortcutContext(Qt::WidgetShortcut);
    m_find->addAction(selectFound);
    connect(selectFound, &QAction::triggered, m_canvas, &MapCanvas::selectFound);
    connect(m_canvas, &MapCanvas::matchCountChanged, m_found, [this](int count) {
        m_found->setText(m_find->text().isEmpty() ? QString()
                         : count == 0             ? QString::fromLatin1(Texts::NoneFound)
                         : count == 1             ? QString::fromLatin1(Texts::OneFound)
                                      : QString::fromLatin1(Texts::SomeFound).arg(count));
    });
    connect(m_canvas, &MapCanvas::clicked, document, &PropDocument::mapClick);
    connect(m_canvas, &MapCanvas::pickRequested, document, &PropDocument::pick);
    connect(m_canvas, &MapCanvas::selectRequested, document, &PropDocument::select);
    connect(m_canvas, &MapCanvas::stepRequested, document, &PropDocument::mapStep);
    connect(m_canvas, &MapCanvas::commitRequested, document, &PropDocument::writeBackRequested);
    connect(m_canvas, &MapCanvas::statusChanged, m_status, &QLabel::setText);
    m_status->setText(m_canvas->statusText());

    // Zoom keys anywhere in the window; 0 alone only on the map, where it types nothing.
    auto addKeys = [this](const QList<QKeySequence> &keys, auto slot) {
        auto *action = new QAction(this);
        action->setShortcuts(keys);
        addAction(action);
        connect(action, &QAction::triggered, m_canvas, slot);
    };
    addKeys({QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { m_canvas->fit(); });
    addKeys({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)},
            [this] { m_canvas->zoomBy(MapCanvas::ZoomStep); });
    addKeys({QKeySequence::ZoomOut}, [this] { m_canvas->zoomBy(1 / MapCanvas::ZoomStep); });

    m_canvas->setFocus();
    resize(540, 640);
}

void LargeMap::focusFind()
{
    m_find->setFocus(Qt::ShortcutFocusReason);
    m_find->selectAll();
}

void LargeMap::placeBeside(const QWidget *main)
{
    // A window that was never shown has no frame yet: the window manager will give it one like
    // the main window's.
    const QRect screen = main->screen()->availableGeometry();
    const QRect outer = main->frameGeometry();
    const QSize frame = main->frameSize() - main->size();
    resize(size().boundedTo(screen.size() - frame));
    const QRect room = screen.adjusted(0, 0, -width() - frame.width(), -height() - frame.height());
    const QPoint right = outer.topRight() + QPoint(1, 0);
    const QPoint left = outer.topLeft() - QPoint(width() + frame.width(), 0);
    // Where it fits on neither side, it goes to the side with more room, where it covers less
    // of the main window.
    const bool rightIsRoomier = screen.right() - outer.right() >= outer.left() - screen.left();
    const QPoint place = right.x() <= room.right() || (left.x() < room.left() && rightIsRoomier)
                                 ? right
                                 : left;
    move(std::clamp(place.x(), room.left(), std::max(room.left(), room.right())),
         std::clamp(place.y(), room.top(), std::max(room.top(), room.bottom())));
}
