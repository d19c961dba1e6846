#include "formfixture.h"
#include "map/projection.h"
#include "modalscript.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>

#include <cmath>

namespace {

PropRecord prop(const QString &x, const QString &y, const QString &name)
{
    PropRecord r;
    r.fields = {x,
                QStringLiteral("5"),
                y,
                QStringLiteral("0"),
                QStringLiteral("0"),
                QStringLiteral("0")};
    r.name = name;
    return r;
}

// The pixel of the map's drawing area that holds a level point.
QPoint pixelOf(double levelX, double levelY)
{
    return QPoint(int(std::floor(Projection::toMapX(levelX, 149))),
                  int(std::floor(Projection::toMapY(levelY, 547))));
}

} // namespace

// The main window: start-up, layout, focus rules, selection, editing, removing, drawing.
class TestForm1 : public QObject, FormFixture
{
    Q_OBJECT

    // Three props: A at the map's centre, B at drawing pixel (100, 300), C at the top-left.
    void fillThree()
    {
        table()->appendRecord(prop("8", "-400", "A"));
        table()->appendRecord(prop("83.30202", "-320.5484", "B"));
        table()->appendRecord(prop("-212", "-1220", "C"));
        table()->setCountText("3");
    }

private slots:
    void init() { QVERIFY(start()); }
    void cleanup() { form.reset(); }

    void startsEmptyWithThePlainMap()
    {
        QCOMPARE(form->windowTitle(), QString("ZRM Editer By: Quellmar"));
        QCOMPARE(text(7)->text(), QString("0"));
        QVERIFY(!text(7)->isEnabled());
        for (int n = 1; n <= 6; ++n)
            QVERIFY(text(n)->text().isEmpty());
        QCOMPARE(list7()->model()->rowCount(), 0);
        QCOMPARE(QApplication::focusWidget(), list7());
        QCOMPARE(form->placePending() + form->mouseX() + form->mouseY(), 0);

        const QImage &canvas = form->mapView()->canvas();
        QCOMPARE(canvas.size(), QSize(145, 543));
        QCOMPARE(canvas, QImage(":/map.bmp").convertToFormat(QImage::Format_RGB32));
        // The map's three colours: white lines, dark green field, grey corners.
        QCOMPARE(canvas.pixel(72, 100), qRgb(0xFF, 0xFF, 0xFF));
        QCOMPARE(canvas.pixel(30, 100), qRgb(0x00, 0x80, 0x00));
        QCOMPARE(canvas.pixel(0, 542), qRgb(0x80, 0x80, 0x80));
    }

    void layoutMenusAndTabOrder()
    {
        QCOMPARE(form->centralWidget()->size(), QSize(458, 559));
        const QList<QPair<const char *, QRect>> places = {
                {"Text7", {8, 8, 177, 19}},        {"List7", {8, 32, 177, 368}},
                {"Command1", {192, 32, 105, 33}},  {"Command2", {192, 72, 105, 33}},
                {"Command3", {192, 112, 105, 33}}, {"Command4", {192, 152, 105, 33}},
                {"Command5", {200, 272, 89, 33}},  {"Picture1", {304, 8, 149, 547}},
                {"Text1", {64, 416, 121, 19}},     {"Text2", {64, 440, 121, 19}},
                {"Text3", {64, 464, 121, 19}},     {"Text4", {64, 488, 121, 19}},
                {"Text6", {64, 512, 121, 19}},     {"Text5", {64, 536, 121, 19}},
        };
        for (const auto &[name, rect] : places)
            QCOMPARE(control<QWidget>(name)->geometry(), rect);
        QCOMPARE(form->mapView()->contentsRect(), QRect(2, 2, 145, 543));

        // Each caption stands 8 pixels below the top of its own box.
        const QStringList captions
                = {"X Position:", "Z Position:", "Y Position:", "X Angle:", "Y Angle:", "Z Angle:"};
        QStringList found;
        for (QLabel *label : form->centralWidget()->findChildren<QLabel *>()) {
            for (int n = 1; n <= 6; ++n) {
                if (label->y() == text(n)->y() + 8 && label->x() == 8)
                    found << QString::number(n) + label->text();
            }
        }
        found.sort();
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(found.value(n - 1), QString::number(n) + captions[n - 1]);

        QStringList items;
        for (QAction *menu : form->menuBar()->actions()) {
            items << menu->menu()->objectName() + ":" + menu->text();
            for (QAction *a : menu->menu()->actions())
                items << (a->isSeparator() ? a->objectName() : a->objectName() + ":" + a->text());
        }
        QCOMPARE(items,
                 QStringList({"mnuFile:&File", "mnuFNew:&New", "mnuFOpen:&Open", "mnuFDash2",
                              "mnuFSave:&Save", "mnuFDash1", "mnuFExit:E&xit", "mnuEdit:&Edit",
                              "mnuEUndo:&Undo", "mnuERedo:&Redo", "nmuConvert:&Convert",
                              "mnuCZRM:&ZRM to TXT", "mnuCTXT:&TXT to ZRM"}));

        // Tab walks the controls by their numbers and passes the name list without picking.
        fillThree();
        QStringList order;
        for (int i = 0; i < 14; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, QStringList({"Text1", "Text2", "Text3", "Text4", "Text5", "Text6",
                                     "Picture1", "Command1", "Command2", "Command3", "Command4",
                                     "Command5", "List7", "Text1"}));
        QCOMPARE(table()->selectedRow(), -1);
        QVERIFY(!list7()->currentIndex().isValid());

        // Enter on a focused button triggers nothing.
        QSignalSpy clicked(command(3), &QPushButton::clicked);
        command(3)->setFocus();
        QTest::keyClick(command(3), Qt::Key_Return);
        QCOMPARE(clicked.count(), 0);
    }

    void pickingAndEditing()
    {
        fillThree();
        pickName(1);
        QCOMPARE(table()->selectedRow(), 1);
        QCOMPARE(text(1)->text(), QString("83.30202"));
        QCOMPARE(text(3)->text(), QString("-320.5484"));
        QCOMPARE(mapPixel({100, 300}), Blue);
        QCOMPARE(mapPixel(pixelOf(8, -400)), Red);
        QCOMPARE(mapPixel({0, 0}), Red);

        // Edit B's Y position, then pick C: the edit lands in B first, then C is shown.
        typeInto(3, "-1000");
        pickName(2);
        QCOMPARE(table()->field(1, 2), QString("-1000"));
        QCOMPARE(text(3)->text(), QString("-1220"));
        QCOMPARE(mapPixel(pixelOf(83.30202, -1000)), Red);
        QCOMPARE(mapPixel({0, 0}), Blue);

        // Text that is not a number is stored as it stands; that prop then has no mark.
        typeInto(1, "abc");
        QTest::keyClick(text(1), Qt::Key_Tab);
        QCOMPARE(table()->field(2, 0), QString("abc"));
        command(1)->click();
        QCOMPARE(mapPixel({0, 0}), plainPixel({0, 0}));

        // The arrow keys pick too.
        pickName(2);
        QTest::keyClick(list7(), Qt::Key_Up);
        QCOMPARE(table()->selectedRow(), 1);
        QCOMPARE(text(3)->text(), QString("-1000"));
    }

    void menusAndMessageBoxesDoNotCommitAnEdit()
    {
        fillThree();
        pickName(0);
        typeInto(2, "77");
        auto *file = control<QMenu>("mnuFile");
        file->popup(form->mapToGlobal(QPoint(10, 10)));
        QTRY_VERIFY(file->isVisible());
        file->close();
        QCOMPARE(table()->field(0, 1), QString("5"));

        // File > Exit, then Cancel: nothing changes, not even the pending edit.
        const QImage before = form->mapView()->canvas();
        ModalScript script;
        script.press(QMessageBox::Cancel);
        action("mnuFExit")->trigger();
        QVERIFY(script.done());
        QCOMPARE(script.seen.value(0).text, QString("Are ya sure?"));
        QCOMPARE(script.seen.value(0).title, QString("ZRM"));
        QVERIFY(form->isVisible());
        QCOMPARE(table()->field(0, 1), QString("5"));
        QCOMPARE(text(2)->text(), QString("77"));
        QCOMPARE(form->mapView()->canvas(), before);

        // The edit is committed once the focus really moves on.
        QVERIFY(reactivate());
        QTest::mouseClick(command(1), Qt::LeftButton);
        QCOMPARE(table()->field(0, 1), QString("77"));

        // File > Exit, then OK: the window closes, which ends the program.
        script.ok();
        action("mnuFExit")->trigger();
        QVERIFY(script.done());
        QVERIFY(!form->isVisible());
    }

    void removeAndNew()
    {
        fillThree();
        command(3)->click(); // nothing selected: nothing happens
        QCOMPARE(table()->size(), 3);

        pickName(1);
        QTest::mouseClick(command(3), Qt::LeftButton);
        QCOMPARE(table()->size(), 2);
        QCOMPARE(table()->name(0) + table()->name(1), QString("AC"));
        QCOMPARE(text(7)->text(), QString("2"));
        QCOMPARE(table()->selectedRow(), -1);
        QVERIFY(!list7()->currentIndex().isValid());
        QVERIFY(list7()->selectionModel()->selectedIndexes().isEmpty());
        // The boxes still show the removed prop; the map lost its mark and has no highlight.
        QCOMPARE(text(1)->text(), QString("83.30202"));
        QCOMPARE(mapPixel({100, 300}), plainPixel({100, 300}));
        QCOMPARE(mapPixel({0, 0}), Red);
        // Nothing is highlighted, so Show Rotation has no prop to turn.
        const QImage removed = form->mapView()->canvas();
        command(5)->click();
        QCOMPARE(form->mapView()->canvas(), removed);

        // A field box left with nothing selected changes nothing.
        typeInto(1, "9");
        QTest::keyClick(text(1), Qt::Key_Tab);
        QCOMPARE(table()->field(0, 0), QString("8"));
        QCOMPARE(table()->field(1, 0), QString("-212"));

        // New empties everything but the map's drawing.
        pickName(1);
        const QImage drawn = form->mapView()->canvas();
        action("mnuFNew")->trigger();
        QCOMPARE(table()->size(), 0);
        QCOMPARE(list7()->model()->rowCount(), 0);
        QCOMPARE(text(7)->text(), QString("0"));
        for (int n = 1; n <= 6; ++n)
            QVERIFY(text(n)->text().isEmpty());
        QCOMPARE(form->mapView()->canvas(), drawn);
    }

    void drawingAndTheHeadingStroke()
    {
        fillThree();
        table()->appendRecord(prop("x", "0", "Bad"));
        table()->setCountText("2.5"); // rows 0 and 1 only
        text(4)->setText("3.1415927"); // before any redraw: from (0, 0) down, in black
        command(5)->click();
        QCOMPARE(mapPixel({0, 8}), qRgb(0, 0, 0));
        command(1)->click();
        QCOMPARE(mapPixel(pixelOf(8, -400)), Red);
        QCOMPARE(mapPixel({100, 300}), Red);
        QCOMPARE(mapPixel({0, 0}), plainPixel({0, 0}));
        QCOMPARE(pixelOf(0, 0), QPoint(71, 406));
        // The marks survive a repaint.
        QCOMPARE(form->mapView()->grab().toImage().pixel(2 + 100, 2 + 300), Red);

        table()->setCountText("3");
        pickName(1); // B at drawing pixel (100, 300)
        const QPoint at(100, 300);
        command(5)->click(); // X angle 0: straight up, 10 pixels
        QCOMPARE(mapPixel(at - QPoint(0, 8)), Blue);
        QCOMPARE(mapPixel(at - QPoint(0, 14)), plainPixel(at - QPoint(0, 14)));
        command(5)->click(); // continues from the end of the first stroke
        QCOMPARE(mapPixel(at - QPoint(0, 18)), Blue);

        pickName(1);
        typeInto(4, "1.5707963");
        QTest::mouseClick(command(5), Qt::LeftButton); // pi/2: to the left
        QCOMPARE(mapPixel(at - QPoint(8, 0)), Blue);
        QCOMPARE(mapPixel(at - QPoint(0, 8)), plainPixel(at - QPoint(0, 8)));

        const QImage before = form->mapView()->canvas();
        typeInto(4, "north"); // not a number: no stroke
        QTest::mouseClick(command(5), Qt::LeftButton);
        QCOMPARE(form->mapView()->canvas(), before);

        // A prop far beyond any float gets no mark and no stroke, and breaks nothing.
        table()->appendRecord(prop("1e300", "-1e300", "Far"));
        table()->setCountText("5");
        pickName(4);
        command(5)->click();
        QCOMPARE(form->mapView()->canvas().pixel(0, 0), Red);
        QCOMPARE(form->mapView()->canvas().pixel(100, 300), Red);
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
