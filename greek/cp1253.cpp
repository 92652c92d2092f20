#include "greek/cp1253.h"

#include <array>
#include <unordered_map>

namespace dravimo::cp1253 {
namespace {

// Upper half of the code page, 0x80..0xFF.
constexpr std::array<char16_t, 128> kHigh = {
    // 0x80
    0x20AC,
    0x0081,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x0088,
    0x2030,
    0x008A,
    0x2039,
    0x008C,
    0x008D,
    0x008E,
    0x008F,
    // 0x90
    0x0090,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x0098,
    0x2122,
    0x009A,
    0x203A,
    0x009C,
    0x009D,
    0x009E,
    0x009F,
    // 0xA0
    0x00A0,
    0x0385,
    0x0386,
    0x00A3,
    0x00A4,
    0x00A5,
    0x00A6,
    0x00A7,
    0x00A8,
    0x00A9,
    0xF8F9,
    0x00AB,
    0x00AC,
    0x00AD,
    0x00AE,
    0x2015,
    // 0xB0
    0x00B0,
    0x00B1,
    0x00B2,
    0x00B3,
    0x0384,
    0x00B5,
    0x00B6,
    0x00B7,
    0x0388,
    0x0389,
    0x038A,
    0x00BB,
    0x038C,
    0x00BD,
    0x038E,
    0x038F,
    // 0xC0
    0x0390,
    0x0391,
    0x0392,
    0x0393,
    0x0394,
    0x0395,
    0x0396,
    0x0397,
    0x0398,
    0x0399,
    0x039A,
    0x039B,
    0x039C,
    0x039D,
    0x039E,
    0x039F,
    // 0xD0
    0x03A0,
    0x03A1,
    0xF8FA,
    0x03A3,
    0x03A4,
    0x03A5,
    0x03A6,
    0x03A7,
    0x03A8,
    0x03A9,
    0x03AA,
    0x03AB,
    0x03AC,
    0x03AD,
    0x03AE,
    0x03AF,
    // 0xE0
    0x03B0,
    0x03B1,
    0x03B2,
    0x03B3,
    0x03B4,
    0x03B5,
    0x03B6,
    0x03B7,
    0x03B8,
    0x03B9,
    0x03BA,
    0x03BB,
    0x03BC,
    0x03BD,
    0x03BE,
    0x03BF,
    // 0xF0
    0x03C0,
    0x03C1,
    0x03C2,
    0x03C3,
    0x03C4,
    0x03C5,
    0x03C6,
    0x03C7,
    0x03C8,
    0x03C9,
    0x03CA,
    0x03CB,
    0x03CC,
    0x03CD,
    0x03CE,
    0xF8FB,
};

const std::unordered_map<char16_t, unsigned char> &reverseTable()
{
    static const auto table = [] {
        std::unordered_map<char16_t, unsigned char> m;
        for (int i = 0; i < 128; ++i)
            m.emplace(kHigh[i], static_cast<unsigned char>(0x80 + i));
        return m;
    }();
    return table;
}

} // namespace

QChar fromByte(unsigned char b)
{
    return b < 0x80 ? QChar(char16_t(b)) : QChar(kHigh[b - 0x80]);
}

bool representable(QChar c)
{
    return c.unicode() < 0x80 || reverseTable().count(c.unicode()) != 0;
}

char toByte(QChar c)
{
    if (c.unicode() < 0x80)
        return static_cast<char>(c.unicode());
    const auto &rev = reverseTable();
    auto it = rev.find(c.unicode());
    return it == rev.end() ? '?' : static_cast<char>(it->second);
}

QString decode(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char b : bytes)
        out.append(fromByte(static_cast<unsigned char>(b)));
    return out;
}

QByteArray encode(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text)
        out.append(toByte(c));
    return out;
}

} // namespace dravimo::cp1253
