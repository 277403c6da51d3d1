#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringView>

// The Central European single-byte code page 1250: every text file of the
// system is stored in it, and case-insensitive comparisons follow its own
// upper/lower mapping (accented letters included).
namespace CodePage1250 {

QString decode(QByteArrayView bytes);
// Characters outside the code page become '?'.
QByteArray encode(QStringView text);
bool isRepresentable(QChar c);
// The byte of a representable character; '?' otherwise.
char toByte(QChar c);
QChar fromByte(unsigned char b);

QChar toUpper(QChar c);
QChar toLower(QChar c);
QString toUpper(QStringView text);
QString toLower(QStringView text);

// Case-insensitive comparison: <0, 0, >0, ordered by the code page bytes of
// the upper-cased characters.
int compareText(QStringView a, QStringView b);
bool sameText(QStringView a, QStringView b);

} // namespace CodePage1250
