#pragma once

#include <QString>
#include <QVector>

#include <array>
#include <utility>

// One prop: its six numeric fields (position X, Z, Y; angle X, Y, Z) and its name, all
// held as text exactly as typed or read.
struct PropRecord
{
    static constexpr int FieldCount = 6;
    // What each field is called in the window and in messages.
    static constexpr std::array<const char *, FieldCount> FieldCaptions
            = {"X Position", "Z Position", "Y Position", "X Angle", "Y Angle", "Z Angle"};

    std::array<QString, FieldCount> fields;
    QString name;

    bool operator==(const PropRecord &other) const
    {
        return fields == other.fields && name == other.name;
    }
    bool operator!=(const PropRecord &other) const { return !(*this == other); }
};

// New texts for some fields of one prop: field number (0..5) and text.
using FieldTexts = QVector<std::pair<int, QString>>;
