#pragma once
// The print file's shape: fixed columns counted from 1, and the two
// directives that may appear anywhere in its text.

#include <QString>

namespace dravimo {

// The characters of a line from a 1-based column on: a field that starts past
// the end of a short line is empty, one that runs past it is shorter.
QString field(const QString &line, int column, int width);
QString restOfLine(const QString &line, int column);

// The line-type code in columns 2 to 4.
inline QString lineCode(const QString &line)
{
    return field(line, 2, 3);
}

// What an empty directive value means: a tag may be empty (hosts match result
// blocks by it, and an empty tag is the host's own choice); an empty result
// file name is no file, and the default is taken instead.
enum class EmptyValue { Kept, Fallback };

// The value of the first occurrence of a directive ("resFile:", "tag:"): from
// the third character after the colon up to the first CR LF after the
// directive. The fallback when the directive is missing, when no CR LF
// follows it, when the line is too short to hold the two skipped
// characters, or when the value holds a lone CR or LF; an empty value as
// `empty` says.
QString directiveValue(const QString &text, const QString &directive, const QString &fallback,
                       EmptyValue empty = EmptyValue::Fallback);

} // namespace dravimo
