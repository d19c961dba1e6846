#pragma once

#include <QString>

class QWidget;

// The editor's modal message and input boxes: all carry the application title "ZRM",
// no icon, and are owned by the main window.
namespace ZrmDialogs {

QString appTitle();

// A message box with a single OK button.
void showMessage(QWidget *owner, const QString &text);

// A message box with OK (the default) and Cancel; true when the user chose OK.
bool askOkCancel(QWidget *owner, const QString &text);

// The answers of a Yes / No / Cancel box.
enum class Answer { Yes, No, Cancel };

// A message box with Yes (the default), No and Cancel; Escape and closing it are Cancel.
Answer askYesNoCancel(QWidget *owner, const QString &text);

// The answers of a Save / Discard / Cancel box.
enum class SaveAnswer { Save, Discard, Cancel };

// A message box with Save (the default), Discard and Cancel; Escape and closing it are Cancel.
SaveAnswer askSaveDiscardCancel(QWidget *owner, const QString &text);

// A text-input box with OK and Cancel and an empty input field; the entered text,
// or the empty text on Cancel.
QString askText(QWidget *owner, const QString &prompt);

} // namespace ZrmDialogs
