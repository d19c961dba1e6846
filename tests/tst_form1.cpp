#include "app/form1.h"
#include "map/mapview.h"
#include "map/projection.h"
#include "modalscript.h"
#include "props/proptable.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

PropRecord prop(const QString &x, const QString &y, const QString &name,
                const QString &z = QStringLiteral("0"))
{
    PropRecord r;
    r.fields = {x, z, y, QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")};
    r.name = name;
    return r;
}

// The pixel of the drawing area that holds a level point.
QPoint pixelOf(double levelX, double levelY)
{
    return QPoint(int(std::floor(Projection::toMapX(levelX, 149))),
                  int(std::floor(Projection::toMapY(levelY, 547))));
}

const QRgb RedPixel = qRgb(255, 0, 0);
const QRgb BluePixel = qRgb(0, 0, 255);

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Form1> m_form;

    template<typename T>
    T *child(const char *name) const
    {
        T *w = m_form->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    QLineEdit *text(int n) const
    {
        return child<QLineEdit>(QByteArray("Text") + QByteArray::number(n));
    }
    QAbstractItemView *list7() const { return child<QAbstractItemView>("List7"); }
    QPushButton *command(int n) const
    {
        return child<QPushButton>(QByteArray("Command") + QByteArray::number(n));
    }
    QRgb mapPixel(QPoint p) const { return m_form->mapView()->canvas().pixel(p); }

    // Three props: A at the map's centre, B at drawing pixel (100, 300), C at the top-left.
    void fillThree()
    {
        PropTable *t = m_form->propTable();
        t->appendRecord(prop("8", "-400", "A"));
        t->appendRecord(prop("83.30202", "-320.5484", "B", "5"));
        t->appendRecord(prop("-212", "-1220", "C"));
        t->setCountText("3");
    }
    void clickName(int row)
    {
        const QRect r = list7()->visualRect(m_form->propTable()->index(row));
        QTest::mouseClick(list7()->viewport(), Qt::LeftButton, {}, r.center());
    }
    void typeInto(int n, const QString &value)
    {
        QTest::mouseClick(text(n), Qt::LeftButton);
        text(n)->selectAll();
        QTest::keyClicks(text(n), value);
    }

private slots:
    void init()
    {
        m_form = std::make_unique<Form1>();
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }
    void cleanup() { m_form.reset(); }

    void startsEmptyWithThePlainMap()
    {
        QCOMPARE(m_form->windowTitle(), QString("ZRM Editer By: Quellmar"));
        QCOMPARE(text(7)->text(), QString("0"));
        QVERIFY(!text(7)->isEnabled());
        for (int n = 1; n <= 6; ++n)
            QVERIFY(text(n)->text().isEmpty());
        QCOMPARE(list7()->model()->rowCount(), 0);
        QCOMPARE(QApplication::focusWidget(), list7());
        QCOMPARE(m_form->placePending(), qint16(0));
        QCOMPARE(m_form->mouseX(), qint16(0));
        QCOMPARE(m_form->mouseY(), qint16(0));

        const QImage plain = QImage(":/map.bmp").convertToFormat(QImage::Format_RGB32);
        QCOMPARE(plain.size(), QSize(145, 543));
        QCOMPARE(m_form->mapView()->canvas(), plain);
        // The three colours of the map: dark green field, white lines, grey corners.
        QCOMPARE(plain.pixel(72, 100), qRgb(0xFF, 0xFF, 0xFF));
        QCOMPARE(plain.pixel(30, 100), qRgb(0x00, 0x80, 0x00));
        QCOMPARE(plain.pixel(0, 542), qRgb(0x80, 0x80, 0x80));
    }

    void layoutMatchesTheDesign()
    {
        QCOMPARE(m_form->centralWidget()->size(), QSize(458, 559));
        const QList<QPair<const char *, QRect>> places = {
                {"Text7", {8, 8, 177, 19}},        {"List7", {8, 32, 177, 368}},
                {"Command1", {192, 32, 105, 33}},  {"Command2", {192, 72, 105, 33}},
                {"Command3", {192, 112, 105, 33}}, {"Command4", {192, 152, 105, 33}},
                {"Command5", {200, 272, 89, 33}},  {"Picture1", {304, 8, 149, 547}},
                {"Text1", {64, 416, 121, 19}},     {"Text2", {64, 440, 121, 19}},
                {"Text3", {64, 464, 121, 19}},     {"Text4", {64, 488, 121, 19}},
                {"Text6", {64, 512, 121, 19}},     {"Text5", {64, 536, 121, 19}},
        };
        for (const auto &[name, rect] : places) {
            QWidget *w = child<QWidget>(name);
            QCOMPARE(w->parentWidget(), m_form->centralWidget());
            QCOMPARE(w->geometry(), rect);
        }
        QCOMPARE(m_form->mapView()->contentsRect(), QRect(2, 2, 145, 543));
        QCOMPARE(command(1)->text(), QString("Draw Props on Map"));
        QCOMPARE(command(5)->text(), QString("Show Rotation"));

        // Each caption stands 8 pixels below the top of its box: Y Position beside Text3,
        // and the Z angle box above the Y angle box.
        const QList<QPair<QString, int>> captions
                = {{"X Position:", 1}, {"Z Position:", 2}, {"Y Position:", 3},
                   {"X Angle:", 4},    {"Y Angle:", 5},    {"Z Angle:", 6}};
        const auto labels = m_form->centralWidget()->findChildren<QLabel *>();
        for (const auto &[caption, n] : captions) {
            auto it = std::find_if(labels.begin(), labels.end(),
                                   [&](QLabel *l) { return l->text() == caption; });
            QVERIFY2(it != labels.end(), qPrintable(caption));
            QCOMPARE((*it)->y(), text(n)->y() + 8);
            QCOMPARE((*it)->x(), 8);
        }

        QStringList menus;
        for (QAction *a : m_form->menuBar()->actions())
            menus << a->menu()->objectName() + ":" + a->text();
        QCOMPARE(menus, QStringList({"mnuFile:&File", "nmuConvert:&Convert"}));
        QStringList items;
        for (QAction *a : child<QMenu>("mnuFile")->actions())
            items << (a->isSeparator() ? a->objectName() : a->objectName() + ":" + a->text());
        for (QAction *a : child<QMenu>("nmuConvert")->actions())
            items << a->objectName() + ":" + a->text();
        QCOMPARE(items, QStringList({"mnuFNew:&New", "mnuFOpen:&Open", "mnuFDash2",
                                     "mnuFSave:&Save", "mnuFDash1", "mnuFExit:E&xit",
                                     "mnuCZRM:&ZRM to TXT", "mnuCTXT:&TXT to ZRM"}));
    }

    void tabWalksTheControlsAndSelectsNothing()
    {
        fillThree();
        QStringList order;
        for (int i = 0; i < 14; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, QStringList({"Text1", "Text2", "Text3", "Text4", "Text5", "Text6",
                                     "Picture1", "Command1", "Command2", "Command3", "Command4",
                                     "Command5", "List7", "Text1"}));
        // Passing through the name list picked no prop.
        QCOMPARE(m_form->propTable()->selectedRow(), -1);
        QVERIFY(!list7()->currentIndex().isValid());
        QVERIFY(text(1)->text().isEmpty());

        // Enter on a focused button triggers nothing.
        command(3)->setFocus();
        QSignalSpy clicked(command(3), &QPushButton::clicked);
        QTest::keyClick(command(3), Qt::Key_Return);
        QCOMPARE(clicked.count(), 0);
    }

    void pickingANameShowsItAndEditsGoToThePropTheyWereMadeFor()
    {
        fillThree();
        PropTable *t = m_form->propTable();
        clickName(1);
        QCOMPARE(t->selectedRow(), 1);
        QCOMPARE(text(1)->text(), QString("83.30202"));
        QCOMPARE(text(2)->text(), QString("5"));
        QCOMPARE(text(3)->text(), QString("-320.5484"));
        QCOMPARE(mapPixel({100, 300}), BluePixel);
        QCOMPARE(mapPixel(pixelOf(8, -400)), RedPixel);
        QCOMPARE(mapPixel({0, 0}), RedPixel);

        // Edit B's Y position, then pick C: the edit lands in B, then C is shown.
        typeInto(3, "-1000");
        clickName(2);
        QCOMPARE(t->field(1, 2), QString("-1000"));
        QCOMPARE(t->selectedRow(), 2);
        QCOMPARE(text(3)->text(), QString("-1220"));
        QCOMPARE(mapPixel(pixelOf(83.30202, -1000)), RedPixel);
        QCOMPARE(mapPixel({0, 0}), BluePixel);

        // Text that is not a number is stored as it stands; the prop then has no mark.
        typeInto(1, "abc");
        QTest::keyClick(text(1), Qt::Key_Tab);
        QCOMPARE(t->field(2, 0), QString("abc"));
        QCOMPARE(QApplication::focusWidget(), text(2));
        command(1)->click();
        QCOMPARE(mapPixel({0, 0}), plainPixel({0, 0}));

        // Arrow keys pick too.
        QTest::mouseClick(list7()->viewport(), Qt::LeftButton, {},
                          list7()->visualRect(t->index(2)).center());
        QTest::keyClick(list7(), Qt::Key_Up);
        QCOMPARE(t->selectedRow(), 1);
        QCOMPARE(text(3)->text(), QString("-1000"));
    }

    void menusAndMessageBoxesDoNotCommitAnEdit()
    {
        fillThree();
        PropTable *t = m_form->propTable();
        clickName(0);
        typeInto(2, "77");

        // Opening a menu moves no focus to another control.
        QMenu *file = child<QMenu>("mnuFile");
        file->popup(m_form->mapToGlobal(QPoint(10, 10)));
        QTRY_VERIFY(file->isVisible());
        file->close();
        QCOMPARE(t->field(0, 1), QString("0"));

        // File > Exit, then Cancel: nothing changes, not even the pending edit.
        const QImage before = m_form->mapView()->canvas();
        ModalScript script;
        script.press(QMessageBox::Cancel);
        child<QAction>("mnuFExit")->trigger();
        QVERIFY(script.done());
        QCOMPARE(script.seen.value(0).text, QString("Are ya sure?"));
        QCOMPARE(script.seen.value(0).title, QString("ZRM"));
        QVERIFY(m_form->isVisible());
        QCOMPARE(t->field(0, 1), QString("0"));
        QCOMPARE(text(2)->text(), QString("77"));
        QCOMPARE(t->selectedRow(), 0);
        QCOMPARE(m_form->mapView()->canvas(), before);

        // The edit is committed once the focus really moves on.
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        QTest::mouseClick(command(1), Qt::LeftButton);
        QCOMPARE(t->field(0, 1), QString("77"));
    }

    void exitWithOkClosesTheWindow()
    {
        fillThree();
        ModalScript script;
        script.ok();
        child<QAction>("mnuFExit")->trigger();
        QVERIFY(script.done());
        QVERIFY(!m_form->isVisible());
        // Closing the only window ends the event loop.
        QVERIFY(QApplication::quitOnLastWindowClosed());
    }

    void removeDeletesTheSelectedPropOnly()
    {
        fillThree();
        PropTable *t = m_form->propTable();

        command(3)->click(); // nothing selected: nothing happens
        QCOMPARE(t->size(), 3);
        QCOMPARE(text(7)->text(), QString("3"));

        clickName(1);
        QTest::mouseClick(command(3), Qt::LeftButton);
        QCOMPARE(t->size(), 2);
        QCOMPARE(t->name(0), QString("A"));
        QCOMPARE(t->name(1), QString("C"));
        QCOMPARE(text(7)->text(), QString("2"));
        QCOMPARE(t->selectedRow(), -1);
        QVERIFY(!list7()->currentIndex().isValid());
        QVERIFY(list7()->selectionModel()->selectedIndexes().isEmpty());
        // The boxes still show the removed prop; the map lost its mark and has no highlight.
        QCOMPARE(text(1)->text(), QString("83.30202"));
        QCOMPARE(mapPixel({100, 300}), plainPixel({100, 300}));
        QCOMPARE(mapPixel({0, 0}), RedPixel);
        QCOMPARE(mapPixel(pixelOf(8, -400)), RedPixel);

        // An edit box left with nothing selected changes nothing.
        typeInto(1, "5");
        QTest::keyClick(text(1), Qt::Key_Tab);
        QCOMPARE(t->field(0, 0), QString("8"));
        QCOMPARE(t->field(1, 0), QString("-212"));

        clickName(0);
        command(3)->click();
        clickName(0);
        command(3)->click();
        QCOMPARE(t->size(), 0);
        QCOMPARE(text(7)->text(), QString("0"));
        QCOMPARE(text(1)->text(), QString("-212"));
    }

    void newEmptiesTheTableButKeepsTheDrawing()
    {
        fillThree();
        clickName(2);
        const QImage drawn = m_form->mapView()->canvas();
        child<QAction>("mnuFNew")->trigger();
        QCOMPARE(m_form->propTable()->size(), 0);
        QCOMPARE(list7()->model()->rowCount(), 0);
        QCOMPARE(text(7)->text(), QString("0"));
        for (int n = 1; n <= 6; ++n)
            QVERIFY(text(n)->text().isEmpty());
        QCOMPARE(m_form->propTable()->selectedRow(), -1);
        QCOMPARE(m_form->mapView()->canvas(), drawn);
    }

    void drawingMarksEveryPropAndHighlightsTheSelected()
    {
        fillThree();
        PropTable *t = m_form->propTable();
        t->appendRecord(prop("x", "0", "Bad"));
        t->setCountText("2.5"); // rows 0 and 1 only
        command(1)->click();
        QCOMPARE(mapPixel(pixelOf(8, -400)), RedPixel);
        QCOMPARE(mapPixel({100, 300}), RedPixel);
        QCOMPARE(mapPixel({0, 0}), plainPixel({0, 0}));
        QCOMPARE(pixelOf(0, 0), QPoint(71, 406));

        // Drawing twice gives the same picture, and the marks survive a repaint.
        const QImage once = m_form->mapView()->canvas();
        command(1)->click();
        QCOMPARE(m_form->mapView()->canvas(), once);
        const QImage shown = m_form->mapView()->grab().toImage();
        QCOMPARE(shown.pixel(2 + 100, 2 + 300), RedPixel);

        t->setCountText("abc"); // a count that is not a number marks nothing
        command(1)->click();
        QCOMPARE(m_form->mapView()->canvas(),
                 QImage(":/map.bmp").convertToFormat(QImage::Format_RGB32));
    }

    void showRotationDrawsTheHeading()
    {
        fillThree();
        clickName(1); // B at drawing pixel (100, 300)
        const QPoint at(100, 300);
        command(5)->click(); // X angle 0: straight up, 10 pixels
        QCOMPARE(mapPixel(at - QPoint(0, 8)), BluePixel);
        QCOMPARE(mapPixel(at - QPoint(0, 14)), plainPixel(at - QPoint(0, 14)));
        command(5)->click(); // continues from the end of the first stroke
        QCOMPARE(mapPixel(at - QPoint(0, 18)), BluePixel);
        QVERIFY(qAbs(m_form->mapView()->penPosition().y() - 280.0) < 1e-3);

        clickName(1);
        typeInto(4, "1.5707963");
        QTest::mouseClick(command(5), Qt::LeftButton); // pi/2: to the left
        QCOMPARE(mapPixel(at - QPoint(8, 0)), BluePixel);
        QCOMPARE(mapPixel(at - QPoint(0, 8)), plainPixel(at - QPoint(0, 8)));
        QCOMPARE(mapPixel(at + QPoint(8, 0)), plainPixel(at + QPoint(8, 0)));

        // An angle that is not a number draws nothing.
        const QImage before = m_form->mapView()->canvas();
        typeInto(4, "north");
        QTest::mouseClick(command(5), Qt::LeftButton);
        QCOMPARE(m_form->mapView()->canvas(), before);
    }

private:
    static QRgb plainPixel(QPoint p)
    {
        static const QImage plain = QImage(":/map.bmp").convertToFormat(QImage::Format_RGB32);
        return plain.pixel(p);
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
