#pragma once

#include "props/proptextfile.h"

#include <QByteArray>
#include <QString>

#include <optional>

class QWidget;

// What the window says about the files it opens and saves: the questions and messages of
// File > Open and File > Save, in the editor's own words, kept in one place.
namespace FileMessages {

// The bytes of a file as the reader takes them. A file that is plainly UTF-8 or UTF-16 is read
// as such only when the user says so, and its mark is never read as text. Nothing when the
// user cancelled, or when the file cannot be read as asked (the user has been told).
std::optional<QByteArray> textToRead(QWidget *owner, const QString &path, const QByteArray &bytes);

// The file dialog for File > Open (action 1) and File > Save (action 2): every file type,
// starting in the editor's own folder, or with `proposed` chosen in its own folder when the
// dialog can take its name. Empty when the user cancelled.
QString askForPropFile(QWidget *owner, qint16 action, const char *title,
                       const QString &proposed = QString());

// The whole file at `path`, read and checked before anything changes; nothing when it cannot
// be read (the user has been told why) or the user cancelled.
std::optional<PropTextFile::Contents> readToOpen(QWidget *owner, const QString &path);

// Why `path` could not be opened, and that the list stayed as it was.
QString cannotOpen(const QString &path, const PropTextFile::ReadResult &result);

// What the user must know at once about an opened file: text after the counted props, fields
// that are not numbers. Empty when there is nothing to say.
QString openNotes(const QString &path, const PropTextFile::Contents &contents);

// What the user must know at once about pasted props: fields that are not numbers, each named
// with the line of the pasted text its prop starts on. Empty when there is nothing to say.
QString pasteNotes(const QVector<PropRecord> &records, const QVector<int> &lines);

// Why a list with `problem` was not saved.
QString unsavable(const QVector<PropRecord> &records, const PropTextFile::Problem &problem);
// Why a list that would make a file of `bytes` was not saved.
QString tooLarge(qint64 bytes);

} // namespace FileMessages
