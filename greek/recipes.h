#pragma once
// The two fixed recipes that turn receipt text into the ECR's character set.
//
// Item texts (sale and modifier texts) go through recipe 1, free comment and
// footer texts through recipe 2. The register has no codes for the symbols of
// everyday Windows text (€, …, –, quotes, ©...): both recipes write them as a
// cashier would key them ("EUR", "...", "-"), which can make a text longer.
// The spaces that pad a field take the growth first; a caller whose field has
// a width cuts the result to it. Raw commands the host wrote keep their
// length and every symbol (commandTextConversion).
//
// Recipe 1 starts with a converter that repairs text written in the DOS Greek
// code page. Dravimo's own is table B, given only text that reads as DOS
// Greek: table B turns ordinary Windows Greek small letters (and Ά) into
// other letters, so applying it blindly would print "έκπτωση" as garbage and
// "Άννα" with a Λ.

#include <QString>

#include <functional>

namespace dravimo::greek {

// Upper case one character at a time (the simple mapping), so the length never
// changes: ς becomes Σ, ά becomes Ά, while ΐ and ΰ, which have no single
// capital, stay as they are.
QString simpleUpper(const QString &text);

// True when the text is DOS Greek read as Windows-1253. Some bytes are
// letters in one code page and symbols in the other (0x80 is "€" in Windows
// Greek and Α in DOS Greek), so no rule decides every text; this one weighs
// the whole text, and one symbol cannot flip it. It counts the unaccented
// letters each reading would give: DOS Greek has its unaccented letters at
// 0x80..0xAF and 0xE0 (symbols, or ΰ, in Windows Greek; Ά at 0xA2 does not
// count, being an ordinary Windows capital), Windows Greek at Α..Ω and α..ω
// (box drawing and accented letters in DOS Greek). Accented letters count for
// neither: either page has them where the other has letters. The text is DOS
// Greek when its DOS letters outnumber its Windows letters; a tie reads as
// Windows Greek, which is left as it is. The bytes that are also everyday
// Windows symbols (€ … – — ‘ ’ “ ” « © ® and the no-break space) count as DOS
// letters only inside a run of DOS letters that holds another one too, so
// Latin text with a symbol ("COCA COLA 0,5L €") is Windows text, while a DOS
// word whose letters all sit on such bytes reads as Windows text too.
bool looksLikeDosGreek(const QString &text);

// Each character the register has no code for, as a cashier would key it:
// € "EUR", – and — "-", … "...", quotes ' or ", the no-break space a space,
// © "(C)", ® "(R)", ° "o", ± "+-", ² "2"; the Greek letters it cannot print
// as the nearest it can: ΰ, ϋ, Ϋ as Υ and ΐ, ϊ, Ϊ as Ι. Where the text grows,
// trailing spaces make room first.
QString plainLookAlikes(const QString &text);

// The DOS-Greek repair: table B for text that looks like DOS Greek, the text
// unchanged otherwise. The default external converter.
QString repairDosGreek(const QString &text);

// A converter that repairs text before the item recipe; empty means the
// DOS-Greek repair above.
using ExternalConverter = std::function<QString(const QString &)>;

// Recipe 1: the converter, the plain look-alikes, accents dropped (ώ becomes
// Ω), the DOS code of Δ repaired, upper case, table A.
QString itemTextConversion(const QString &text, const ExternalConverter &converter = {});

// Recipe 1 without the look-alikes, for commands the host wrote itself: a
// byte there may be a register code the host meant, and the length is kept.
QString commandTextConversion(const QString &text, const ExternalConverter &converter = {});

// Recipe 2: DOS repair, the plain look-alikes, upper case, accents dropped,
// upper case, table A.
QString commentTextConversion(const QString &text);

} // namespace dravimo::greek
