#pragma once

#include "props/proprecord.h"

#include <QString>
#include <QVector>

// The text form of props on the clipboard: what Copy puts there and what Paste reads back, as
// lines of a prop text file, so that props move between prop lists and text editors.
namespace PropClipboard {

// The props' lines as the prop text file writes them ("X Z Y AX AY AZ Name"), each ended by
// CR LF, with no count line.
QString copyText(const QVector<PropRecord> &records);

struct Pasted
{
    // What the text holds, read as Open reads a file's records.
    QVector<PropRecord> records;
    // The 1-based line of the text where each record starts.
    QVector<int> lines;
    // Empty when the records may be added; else the message that says why not.
    QString error;
};

// Reads text by the prop text file's rules. A first line holding only a number equal to the
// count of whole props after it is that count and is skipped; blank lines before and after
// the props are ignored. Refused: text with no whole prop, ending in part of one, holding
// characters a prop file cannot hold, or holding more props than `room` (how many more the
// list can take).
Pasted readPaste(const QString &text, int room);

} // namespace PropClipboard
