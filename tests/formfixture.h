#pragma once

#include "app/form1.h"
#include "map/mapview.h"
#include "props/proptable.h"

#include <QAbstractItemView>
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

// A shown, active main window and its controls found by name, for tests that drive it the
// way a user would.
class FormFixture
{
public:
    static constexpr QRgb Red = 0xFFFF0000;
    static constexpr QRgb Blue = 0xFF0000FF;

    std::unique_ptr<Form1> form;

    bool start()
    {
        form = std::make_unique<Form1>();
        form->show();
        return reactivate();
    }
    // After a modal dialog the window may stay inactive; a user's next click activates it.
    bool reactivate()
    {
        form->activateWindow();
        return QTest::qWaitForWindowActive(form.get());
    }

    template<typename T>
    T *control(const QString &name) const
    {
        T *w = form->findChild<T *>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }
    QLineEdit *text(int n) const { return control<QLineEdit>(QStringLiteral("Text%1").arg(n)); }
    QPushButton *command(int n) const
    {
        return control<QPushButton>(QStringLiteral("Command%1").arg(n));
    }
    QAbstractItemView *list7() const { return control<QAbstractItemView>("List7"); }
    QAction *action(const char *name) const { return control<QAction>(QString::fromLatin1(name)); }
    PropTable *table() const { return form->propTable(); }
    QRgb mapPixel(QPoint p) const { return form->mapView()->canvas().pixel(p); }
    static QRgb plainPixel(QPoint p)
    {
        static const QImage plain = QImage(":/map.bmp").convertToFormat(QImage::Format_RGB32);
        return plain.pixel(p);
    }

    void pickName(int row) const
    {
        QTest::mouseClick(list7()->viewport(), Qt::LeftButton, {},
                          list7()->visualRect(table()->index(row)).center());
    }
    // Clicks into a field box and replaces its text by typing; the box keeps the focus.
    void typeInto(int n, const QString &value) const
    {
        QTest::mouseClick(text(n), Qt::LeftButton);
        text(n)->selectAll();
        QTest::keyClicks(text(n), value);
    }
};
