#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Numbers held as text: the one place where prop fields and counts are read as numbers
// and numbers are turned back into text. Always uses the period as decimal separator,
// whatever the system locale.
namespace NumberText {

// Reads a plain decimal number: optional blanks, an optional sign, digits with at most
// one decimal point (at least one digit in all), an optional exponent, optional blanks.
// Anything else, including empty text, is not a number (never taken as 0).
std::optional<double> parse(QStringView text);

// The shortest text of a value with at most `digits` significant digits, no leading blank,
// exponent form from 10^digits up and below 10^-4 ("1E+15", "1.5E-05"); -0 is "0". The
// digits are rounded to nearest, but cut toward zero where rounding would pass the largest
// double: the text of a finite value always reads back as a number.
QString format(double value, int digits);

// A double-precision result (the prop count): up to 15 significant digits.
inline QString formatDouble(double value)
{
    return format(value, 15);
}

// A single-precision result (a position from a placing click): up to 7 significant digits.
inline QString formatSingle(float value)
{
    return format(double(value), 7);
}

} // namespace NumberText
