#pragma once

#include "props/proprecord.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// What a prop table holds in memory, and a compact form of it for the undo history. The
// prop file is no such form: a field may hold any text (a comma, a character Windows-1252
// cannot hold), which a file would not give back.
namespace CompactTable {

// The bytes the heap gives for a string, an array of records, or a whole table, with the
// allocation overhead; shared text is counted for every holder.
qint64 heldBytes(const QString &text);
qint64 heldBytes(const PropRecord &record);
qint64 heldBytes(const QString &countText, const QVector<PropRecord> &records);

// The count and every string of every record, exactly, compressed; empty when it cannot
// be made.
QByteArray pack(const QString &countText, const QVector<PropRecord> &records);

// Gives back what pack() was given; false when `packed` is not its output.
bool unpack(const QByteArray &packed, QString &countText, QVector<PropRecord> &records);

} // namespace CompactTable
