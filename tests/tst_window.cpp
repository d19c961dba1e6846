#include "harness.h"
#include "props/proptextfile.h"

#include <QLabel>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStyleOptionButton>

namespace {

// A at the map's centre, B at drawing pixel (100, 300), C at the top-left corner.
const QByteArray Three = "3\r\n8 5 -400 0 0 0 A\r\n83.30202 5 -320.5484 0 0 0 B\r\n"
                         "-212 5 -1220 0 0 0 C\r\n";

} // namespace

// The main window driven as a user drives it: start-up and layout, then user sessions.
class TestWindow : public QObject, Harness
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(start()); }
    void cleanup() { form.reset(); }

    void startUpAndLayout()
    {
        QCOMPARE(form->windowTitle(), QString("ZRM Editer By: Quellmar"));
        QCOMPARE(run("?s; ?m; ?b; ?t"), QString("0/-1/0 0,0 ,,,,, "));
        QVERIFY(!text(7)->isEnabled());
        QCOMPARE(QApplication::focusWidget(), list7());
        const QImage &canvas = form->mapView()->canvas();
        QCOMPARE(canvas, QImage(":/map.bmp").convertToFormat(QImage::Format_RGB32));
        QCOMPARE(canvas.size(), QSize(145, 543));
        // The map's three colours: white lines, dark green field, grey corners.
        QCOMPARE(canvas.pixel(72, 100), qRgb(0xFF, 0xFF, 0xFF));
        QCOMPARE(canvas.pixel(30, 100), qRgb(0x00, 0x80, 0x00));
        QCOMPARE(canvas.pixel(0, 542), qRgb(0x80, 0x80, 0x80));

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
            QCOMPARE(control(name)->geometry(), rect);
        QCOMPARE(form->mapView()->contentsRect(), QRect(2, 2, 145, 543));

        // The platform's font family, no larger than its size, with every caption whole: each
        // button's inside its button, each field's before its box and 8 pixels below its top.
        const QFont font = form->centralWidget()->font();
        QCOMPARE(font.family(), QApplication::font().family());
        QVERIFY(QFontInfo(font).pixelSize() <= QFontInfo(QApplication::font()).pixelSize());
        for (int n = 1; n <= 5; ++n) {
            QStyleOptionButton option;
            option.initFrom(command(n));
            const QRect room = command(n)->style()->subElementRect(QStyle::SE_PushButtonContents,
                                                                   &option, command(n));
            QVERIFY(command(n)->fontMetrics().horizontalAdvance(command(n)->text())
                    <= room.width());
        }
        const QStringList captions
                = {"X Position:", "Z Position:", "Y Position:", "X Angle:", "Y Angle:", "Z Angle:"};
        for (QLabel *label : form->centralWidget()->findChildren<QLabel *>()) {
            const int n = int(captions.indexOf(label->text())) + 1;
            QVERIFY(n > 0 && label->pos() == text(n)->pos() + QPoint(-56, 8));
            QVERIFY(label->x() + label->fontMetrics().horizontalAdvance(label->text()) < 64);
            QVERIFY(form->centralWidget()->rect().contains(label->geometry()));
        }

        QStringList items;
        for (QAction *menu : form->menuBar()->actions()) {
            items << menu->menu()->objectName() + ":" + menu->text();
            for (QAction *a : menu->menu()->actions())
                items << (a->isSeparator() ? a->objectName() : a->objectName() + ":" + a->text());
        }
        QCOMPARE(items.join(' '), QString("mnuFile:&File mnuFNew:&New mnuFOpen:&Open mnuFDash2 "
                                          "mnuFSave:&Save mnuFDash1 mnuFExit:E&xit mnuEdit:&Edit "
                                          "mnuEUndo:&Undo mnuERedo:&Redo nmuConvert:&Convert "
                                          "mnuCZRM:&ZRM to TXT mnuCTXT:&TXT to ZRM"));

        // Tab walks the controls by their numbers and passes the name list without picking.
        write("in.txt", Three);
        run("open");
        QStringList order;
        for (int i = 0; i < 14; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order.join(' '), QString("Text1 Text2 Text3 Text4 Text5 Text6 Picture1 Command1 "
                                          "Command2 Command3 Command4 Command5 List7 Text1"));
        QCOMPARE(run("?s"), QString("3/-1/0"));
        // Enter on a focused button triggers nothing.
        QSignalSpy clicked(command(3), &QPushButton::clicked);
        command(3)->setFocus();
        QTest::keyClick(command(3), Qt::Key_Return);
        QCOMPARE(clicked.count(), 0);
    }

    void sessions_data()
    {
        QTest::addColumn<QByteArray>("file"); // in.txt
        QTest::addColumn<QString>("answers"); // to the dialogs; @NAME: a scratch file
        QTest::addColumn<QString>("session");
        QTest::addColumn<QString>("seen");
        const auto row = [](const char *tag, const QByteArray &file, const char *answers,
                            const char *session, const char *seen) {
            QTest::newRow(tag) << file << answers << session << seen;
        };
        row("an edit lands in the row it was made in", Three, "",
            "open; pick 1; ?b; ?p 100,300; ?p 74,273; ?p 0,0; type 3 -1000; pick 2; ?t; ?b; "
            "?p 100,73; ?p 0,0; key Up; ?s",
            "83.30202,5,-320.5484,0,0,0 B R R "
            "A:8,5,-400,0,0,0|B:83.30202,5,-1000,0,0,0|C:-212,5,-1220,0,0,0 -212,5,-1220,0,0,0 R B "
            "3/1/0");
        row("menus and message boxes commit nothing; Tab, Shift+Tab and clicks do", Three, "cancel",
            "open; pick 0; type 2 77; popup; menu mnuFExit; ?r 0; ?b; click Command1; ?r 0; "
            "type 4 9; key Shift+Tab; type 5 8; key Tab; ?r 0; type 1 abc; key Tab; click "
            "Command1; "
            "?r 0; ?p 74,273; ?d",
            "A:8,5,-400,0,0,0 8,77,-400,0,0,0 A:8,77,-400,0,0,0 A:8,77,-400,9,8,0 "
            "A:abc,77,-400,9,8,0 . Are ya sure?");
        row("remove the middle prop", Three, "",
            "open; pick 1; click Command3; ?s; ?t; ?b; ?p 100,300; ?p 74,273; click Command5; "
            "?p 0,0; type 1 9; key Tab; ?t; menu mnuFNew; ?s; ?t; ?b; ?p 0,0",
            "2/-1/0 A:8,5,-400,0,0,0|C:-212,5,-1220,0,0,0 83.30202,5,-320.5484,0,0,0 . R R "
            "A:8,5,-400,0,0,0|C:-212,5,-1220,0,0,0 0/-1/0  ,,,,, R");
        row("marks, the count and the heading stroke",
            "6\r\n8 0 -400 0 0 0 A\r\n83.30202 0 -320.5484 0 0 0 B\r\n-212 0 -1220 0 0 0 C\r\n"
            "214.7 0 -400 0 0 0 Edge\r\nx,0,0,0,0,0,Bad\r\n1e300 0 -1e300 0 0 0 Far\r\n",
            "",
            "open; count 2.5; type 4 3.1415927; click Command5; ?p 0,8; click Command1; ?p 74,273; "
            "?p 100,300; ?p 0,0; count 6; click Command1; ?p 0,0; ?p 144,273; ?p 143,273; "
            "pick 1; click Command5; ?p 100,292; ?p 100,286; click Command5; ?p 100,282; pick 1; "
            "type 4 1.5707963; click Command5; ?p 92,300; ?p 100,292; pick 1; type 4 north; "
            "click Command5; ?p 92,300; ?p 100,292; pick 5; click Command5; ?p 0,0",
            "k R R . R R R B . B B . . . R");
        row("add props, then place one with a click", "", "=Barrel|ok|=Big Barrel|ok|=Crate|ok",
            "click Command2; click Command2; click Command2; ?d; ?s; ?r 2; ?b; ?p 71,406; "
            "move 100,300; ?m; map; ?b; ?r 2; ?s; ?p 100,300; ?p 71,406; move 0,0; map; ?r 2",
            "Enter the na|Click on map|Enter the na|Click on map|Enter the na|Click on map 3/2/-1 "
            "Crate:0,0,0,0,0,0 0,0,0,0,0,0 B 100,300 83.30202,0,-320.5484,0,0,0 "
            "Crate:83.30202,0,-320.5484,0,0,0 3/2/0 B R Crate:83.30202,0,-320.5484,0,0,0");
        row("picking a name disarms; the click moves the prop selected then", "",
            "=A|ok|=B|ok|ok|ok",
            "click Command2; click Command2; click Command4; ?s; pick 0; ?s; move 0,0; map; ?r 0; "
            "?m; click Command4; map; ?t",
            "2/1/-1 2/0/0 A:0,0,0,0,0,0 0,0 A:-212,0,-1220,0,0,0|B:0,0,0,0,0,0");
        row("names a saved list would not give back are refused", "",
            "=Keep|ok|cancel|=Crate, small|ok|=\"Quoted|ok|= Padded|ok|=Padded |ok|=12 Barrels|ok|"
            "=\u0100|ok|=12Barrels|ok",
            "click Command2; ?d; click Command2; ?d; click Command2; click Command2; click "
            "Command2; "
            "click Command2; click Command2; click Command2; ?d; click Command2; ?t",
            "Enter the na|Click on map Enter the na Enter the na|The name \"Cr|Enter the na|The "
            "name \"\"Q|Enter the na|The name \" P|Enter the na|The name \"Pa|Enter the na|The "
            "name \"12|Enter the na|The name \"\u0100\" Keep:0,0,0,0,0,0|12Barrels:0,0,0,0,0,0");
        row("a click with nothing selected; a full table", "", "=Lonely|ok|=One more|ok",
            "click Command2; click Command3; type 1 kept; map; ?b; ?s; fill 32767 0; "
            "click Command2; ?d; ?s",
            "kept,0,0,0,0,0 0/-1/0 Enter the na|Click on map|Enter the na|The prop lis 32767/-1/0");
        row("a right click or a release off the map picks and places nothing", Three, "ok",
            "open; rpick 1; ?s; pick 0; click Command4; move 50,50; off; ?s; ?r 0",
            "3/-1/0 3/0/-1 A:8,5,-400,0,0,0");
        const QByteArray level
                = "3\r\n83.30202 0 -320.5484 0 1.5 0 Barrel\r\n"
                  "10.50 2 -1220 0 0 0 Big Crate\r\n\"1 2\",007 8 -400 0 0 0 , x\r\n";
        row("open and save through the menu", level,
            "ok|@in.txt|@saved.txt|ok|ok|@saved.txt|cancel|cancel",
            "type 1 5; click Command4; menu mnuFOpen; ?s; ?t; ?b; ?p 100,300; menu mnuFSave; "
            "?d 80; pick 2; type 1 -5; pick 0; click Command4; menu mnuFSave; ?f saved.txt; ?s; "
            "?b; ?p 100,300; menu mnuFOpen; menu mnuFSave; ?s; ?r 0",
            "3/-1/-1 Barrel:83.30202,0,-320.5484,0,1.5,0|Big Crate:10.5,2,-1220,0,0,0|0:1 "
            "2,7,8,-400,0,0 ,,,,, . Click on map to place the prop|open Open: All Files (*) [] in "
            "<editor>|save Save: All Files (*) [] in @|Nothing was saved: prop 3 (\"0\") has the X "
            "Position \"1 2\", which is not a number. 3/83.30202 0 -320.5484 0 1.5 0 Barrel/10.5 2 "
            "-1220 0 0 0 Big Crate/-5 7 8 -400 0 0 0/ 3/2/0 -5,7,8,-400,0,0 R 3/2/0 "
            "Barrel:83.30202,0,-320.5484,0,1.5,0");
        row("save takes the edit being typed; a failed save changes nothing",
            "2\r\n1 2 3 4 5 6 A\r\n1 2 3 4 5 6 B\r\n", "@out.txt|ok",
            "open; pick 0; type 2 99; menu mnuFSave; ?f out.txt; ?r 0; ?b; pick 0; "
            "save no/such/out.txt; ?d 11; ?s",
            "2/1 99 3 4 5 6 A/1 2 3 4 5 6 B/ A:1,99,3,4,5,6 1,2,3,4,5,6 save Save: |Cannot save "
            "2/0/0");
        row("saving one prop, none, and lists that would not read back",
            "1\r\n0 0 0 0 0 0 \"Big, Crate\"\r\n", "ok|=Solo|ok|ok",
            "save empty.txt; ?f empty.txt; open; save q.txt; ?d 60; ?f q.txt; menu mnuFNew; "
            "click Command2; save one.txt; ?f one.txt; fill 32767 2048; save big.txt; ?d 60; "
            "?f big.txt",
            "0/ Nothing was saved: the name of prop 1 (\"Big, Crate\") would n <none> 1/0 0 0 0 0 "
            "0 Solo/ Enter the name of the Prop to add|Click on map to place the prop|Nothing was "
            "saved: the prop list would make a file of 65 MiB <none>");
        row("a file that cannot be read leaves the list as it was",
            "2.5\r\n1 2 3 4 5 6 A\r\n1 2 3 4 5 6 B\r\n", "",
            "open keep.txt; pick 0; open; open missing.txt; ?d 200; ?s; ?t; ?b",
            "Could not open @/in.txt//Line 1: the prop count \"2.5\" is not a whole number from 0 "
            "to 32767.//The prop list was not changed.|Cannot open @/missing.txt: No such file or "
            "directory//The prop list was not changed. 1/0/0 Keep:1,2,3,4,5,6 1,2,3,4,5,6");
        row("a count of 0 empties the list", "0\r\n1 2 3 4 5 6 A\r\n", "",
            "open keep.txt; open; ?s; ?t", "0/-1/0 ");
    }
    void sessions()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, answers);
        QFETCH(QString, session);
        QFETCH(QString, seen);
        write("in.txt", file);
        write("keep.txt", "1\r\n1 2 3 4 5 6 Keep\r\n");
        ModalScript script;
        script.play(answers.replace(u'@', dir->path() + u'/'));
        QCOMPARE(run(session, &script), seen);
        QVERIFY(script.done());
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
