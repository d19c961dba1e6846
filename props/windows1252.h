#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Prop files are 8-bit text in the Windows-1252 code page on every system, so that a file
// comes back byte for byte. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) pass through as the characters of the same number.
namespace Windows1252 {

QString decode(QByteArrayView bytes);

// True when every character of text has a byte in the code page.
bool canEncode(QStringView text);

// The bytes of text; a character without a byte becomes '?' (callers check canEncode first).
QByteArray encode(QStringView text);

} // namespace Windows1252
