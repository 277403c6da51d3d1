#include "CodePage1250.h"

#include <array>

namespace CodePage1250 {
namespace {

// Unicode of bytes 0x80..0xFF. The five bytes the code page leaves undefined
// map to the C1 control of the same value, so every byte survives a round trip.
constexpr char16_t kHigh[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

struct Tables
{
    std::array<char16_t, 256> toUnicode{};
    std::array<unsigned char, 65536> toByte{};   // 0 = not representable (except U+0000)
    std::array<char16_t, 256> upper{};           // by byte
    std::array<char16_t, 256> lower{};

    Tables()
    {
        for (int b = 0; b < 128; ++b)
            toUnicode[b] = char16_t(b);
        for (int b = 128; b < 256; ++b)
            toUnicode[b] = kHigh[b - 128];
        for (int b = 1; b < 256; ++b)
            toByte[toUnicode[b]] = static_cast<unsigned char>(b);
        for (int b = 0; b < 256; ++b) {
            const QChar c(toUnicode[b]);
            const QChar u = c.toUpper();
            const QChar l = c.toLower();
            // Only mappings that stay inside the code page (so micro and
            // sharp s keep their own letter, as the code page does).
            upper[b] = (toByte[u.unicode()] || u.unicode() == 0) ? u.unicode() : c.unicode();
            lower[b] = (toByte[l.unicode()] || l.unicode() == 0) ? l.unicode() : c.unicode();
        }
    }
};

const Tables &tables()
{
    static const Tables t;
    return t;
}

} // namespace

QString decode(QByteArrayView bytes)
{
    const Tables &t = tables();
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        d[i] = QChar(t.toUnicode[static_cast<unsigned char>(bytes[i])]);
    return out;
}

QByteArray encode(QStringView text)
{
    const Tables &t = tables();
    QByteArray out(text.size(), Qt::Uninitialized);
    char *d = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        const unsigned char b = t.toByte[u];
        d[i] = (b || u == 0) ? char(b) : '?';
    }
    return out;
}

bool isRepresentable(QChar c)
{
    return c.unicode() == 0 || tables().toByte[c.unicode()] != 0;
}

char toByte(QChar c)
{
    const unsigned char b = tables().toByte[c.unicode()];
    return (b || c.unicode() == 0) ? char(b) : '?';
}

QChar fromByte(unsigned char b)
{
    return QChar(tables().toUnicode[b]);
}

QChar toUpper(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 128)
        return (u >= 'a' && u <= 'z') ? QChar(char16_t(u - 32)) : c;
    const Tables &t = tables();
    const unsigned char b = t.toByte[u];
    return b ? QChar(t.upper[b]) : c;
}

QChar toLower(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 128)
        return (u >= 'A' && u <= 'Z') ? QChar(char16_t(u + 32)) : c;
    const Tables &t = tables();
    const unsigned char b = t.toByte[u];
    return b ? QChar(t.lower[b]) : c;
}

QString toUpper(QStringView text)
{
    QString out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = toUpper(text[i]);
    return out;
}

QString toLower(QStringView text)
{
    QString out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = toLower(text[i]);
    return out;
}

int compareText(QStringView a, QStringView b)
{
    const Tables &t = tables();
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ua = toUpper(a[i]);
        const QChar ub = toUpper(b[i]);
        if (ua == ub)
            continue;
        // Order by code page byte; characters outside it sort after, by code.
        const int ka = t.toByte[ua.unicode()] ? t.toByte[ua.unicode()] : 256 + ua.unicode();
        const int kb = t.toByte[ub.unicode()] ? t.toByte[ub.unicode()] : 256 + ub.unicode();
        if (ka != kb)
            return ka < kb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool sameText(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && toUpper(a[i]) != toUpper(b[i]))
            return false;
    return true;
}

} // namespace CodePage1250
