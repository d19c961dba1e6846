#pragma once

#include "props/proprecord.h"

#include <QString>
#include <QVector>

// Placeholder until the clipboard's text form lands.
namespace PropClipboard {
QString copyText(const QVector<PropRecord> &records);
struct Pasted
{
    QVector<PropRecord> records;
    QVector<int> lines;
    QString error;
};
Pasted readPaste(const QString &text, int room);
} // namespace PropClipboard
