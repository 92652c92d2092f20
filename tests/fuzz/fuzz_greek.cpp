// The text conversions: the Windows-1253 codec and the two Greek recipes.
//
// Input: bytes as a file holds them (read through the codec), and the same
// bytes as UTF-16 text for the codec's other direction.
//
// Properties: every byte decodes to one character and encodes back to
// itself; any text encodes to one byte per character, and text the code page
// holds decodes back unchanged; the recipes never shorten a text (a symbol
// written out may lengthen it), a host's command keeps its length, and all
// give only characters the register's set has: one Windows-1253 byte each,
// and no Greek letter but a code of the register's table or the four letters
// the table leaves out and that go as their own bytes (Ϊ, Ϋ, ΐ, ΰ) in a
// host's command.
#include "fuzzsupport.h"

#include "greek/cp1253.h"
#include "greek/ecrcharset.h"
#include "greek/recipes.h"

#include <QSet>

namespace {

bool inRegisterSet(QChar c)
{
    using namespace dravimo;
    static const QSet<QChar> codes = [] {
        QSet<QChar> s;
        for (const QChar v : greek::tableA())
            s.insert(v);
        for (const char16_t left : u"ΪΫΐΰ")
            if (left)
                s.insert(QChar(left));
        return s;
    }();
    if (!cp1253::representable(c))
        return false;
    const bool greekLetter = c.unicode() >= 0x0386 && c.unicode() <= 0x03CE;
    return !greekLetter || codes.contains(c);
}

void requireEcrText(const QString &in, const QString &out, const char *recipe, bool sameLength)
{
    using dravimo::fuzz::require;
    const QString detail = QString::fromLatin1(recipe) + QStringLiteral(": ") + QString::fromLatin1(in.toUtf8().toHex(' '))
                           + QStringLiteral(" -> ") + QString::fromLatin1(out.toUtf8().toHex(' '));
    if (sameLength)
        require(out.size() == in.size(), "a command keeps its length", detail);
    else
        require(out.size() >= in.size(), "a recipe never shortens a text", detail);
    for (const QChar c : out)
        require(inRegisterSet(c), "a recipe gives only the register's characters", detail);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace dravimo;
    using fuzz::require;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = cp1253::decode(bytes);
    require(text.size() == bytes.size(), "one character per byte");
    require(cp1253::encode(text) == bytes, "bytes survive the codec");

    const QString wide(reinterpret_cast<const QChar *>(data), qsizetype(size / 2));
    const QByteArray encoded = cp1253::encode(wide);
    require(encoded.size() == wide.size(), "one byte per character");
    bool all = true;
    for (const QChar c : wide)
        all = all && cp1253::representable(c);
    if (all)
        require(cp1253::decode(encoded) == wide, "text of the code page survives the codec");

    requireEcrText(text, greek::itemTextConversion(text), "item", false);
    requireEcrText(text, greek::commentTextConversion(text), "comment", false);
    requireEcrText(text, greek::commandTextConversion(text), "command", true);
    return 0;
}
