#pragma once

#include <QLineEdit>

// A field box: an edit box that tells when the focus moves from it to another control of the
// window (by Tab, Backtab or a click), the moment its text is written back. Opening a menu, a
// message box or another window taking the focus is no such move.
class FieldBox : public QLineEdit
{
    Q_OBJECT

public:
    explicit FieldBox(QWidget *parent = nullptr);

signals:
    void leftForControl();

protected:
    bool event(QEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
};
