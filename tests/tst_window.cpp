#include "harness.h"

// The main window driven as a user drives it: start-up and layout, then the user sessions of
// tests/data/window.txt: selection, editing, drawing, placing, files, history, desktop habits.
class TestWindow : public QObject, Harness
{
    Q_OBJECT

    QTemporaryDir m_tools; // the stand-in converters, so that the Convert commands ask on

private slots:
    void initTestCase()
    {
        for (const QString name : {"ZRM2TXT.exe", "TXT2ZRM.exe"})
            QVERIFY(QFile::copy(ZRM_FAKE_CONVERTER, m_tools.filePath(name)));
        qputenv("PATH", QFile::encodeName(m_tools.path()));
    }
    void init() { QVERIFY(start()); }
    void cleanup() { form.reset(); }

    // The rest of start-up and layout is a session in window.txt.
    void startUpAndLayout()
    {
        QCOMPARE(form->windowTitle(), QString("ZRM Editer By: Quellmar"));
        QVERIFY(!text(7)->isEnabled());
        const QImage &map = form->mapView()->canvas();
        QCOMPARE(map, QImage(":/map.bmp").convertToFormat(QImage::Format_RGB32));
        // White lines, a dark green field and grey corners, inside a 2-pixel frame.
        QVERIFY(map.pixel(72, 100) == 0xFFFFFFFF && map.pixel(30, 100) == 0xFF008000
                && map.pixel(0, 542) == 0xFF808080);
        QCOMPARE(form->mapView()->contentsRect(), QRect(2, 2, 145, 543));
        // The platform's font family, no larger than its size, with every caption whole: each
        // button's inside its button, each field's before its box and 8 pixels below its top;
        // one pixel larger, some caption would not fit.
        QCOMPARE(form->centralWidget()->font().family(), QApplication::font().family());
        const int size = QFontInfo(form->centralWidget()->font()).pixelSize();
        QVERIFY(size <= QFontInfo(QApplication::font()).pixelSize());
        QFont larger = form->centralWidget()->font();
        larger.setPixelSize(size + 1);
        const QFontMetrics more(larger);
        bool largerFits = size < QFontInfo(QApplication::font()).pixelSize();
        for (int n = 1; n <= 5; ++n) {
            QStyleOptionButton option;
            option.initFrom(command(n));
            const QRect room = command(n)->style()->subElementRect(QStyle::SE_PushButtonContents,
                                                                   &option, command(n));
            QVERIFY(command(n)->fontMetrics().horizontalAdvance(command(n)->text())
                    <= room.width());
            largerFits = largerFits && more.horizontalAdvance(command(n)->text()) <= room.width()
                         && more.height() <= room.height();
        }
        const QStringList captions
                = {"X Position:", "Z Position:", "Y Position:", "X Angle:", "Y Angle:", "Z Angle:"};
        for (QLabel *label : form->centralWidget()->findChildren<QLabel *>()) {
            const int n = int(captions.indexOf(label->text())) + 1;
            QVERIFY(n > 0 && label->pos() == text(n)->pos() + QPoint(-56, 8)
                    && label->geometry().bottom() < 559);
            QVERIFY(label->x() + label->fontMetrics().horizontalAdvance(label->text()) < 64);
            QLabel probe(label->text());
            probe.setFont(larger);
            largerFits = largerFits && label->x() + probe.sizeHint().width() < 64;
        }
        QVERIFY2(!largerFits,
                 qPrintable(QString("the captions are drawn at %1 pixels, though %2 would fit")
                                    .arg(size)
                                    .arg(size + 1)));
    }

    void sessions_data() { addCases("window.txt", {"file", "answers", "steps", "seen"}); }
    void sessions()
    {
        QFETCH(QString, file);
        QFETCH(QString, answers);
        QFETCH(QString, steps);
        QFETCH(QString, seen);
        // A file given as "UTF-16LE:TEXT" or "UTF-16BE:TEXT" is TEXT in UTF-16 after its mark.
        const bool utf16 = file.contains(QRegularExpression("^UTF-16[LB]E:"));
        QStringEncoder encoder(file.startsWith("UTF-16LE") ? QStringConverter::Utf16LE
                                                           : QStringConverter::Utf16BE,
                               QStringConverter::Flag::WriteBom);
        write("in.txt", utf16 ? QByteArray(encoder.encode(file.mid(9))) : file.toUtf8());
        write("keep.txt", "1\r\n1 2 3 4 5 6 Keep\r\n");
        ModalScript script;
        script.play(answers.replace(u'@', dir->path() + u'/'));
        const QString shown = run(steps, &script);
        QVERIFY2(script.failure.isEmpty(), qPrintable(script.failure));
        if (shown != seen)
            qInfo().noquote() << "seen:" << shown;
        QCOMPARE(shown, seen);
        QVERIFY(script.done());
    }
};


QTEST_MAIN(TestWindow)
#include "tst_window.moc"
