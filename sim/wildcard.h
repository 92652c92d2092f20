#pragma once
// Command patterns of scenarios. A plain pattern is a glob: "*" stands for any
// run of characters, "?" for one character, everything else matches itself,
// spaces included. A pattern that starts with "re:" is a regular expression
// that must match the whole command ("re:KX\d+R\d.*" is any sale).

#include <QString>

namespace dravimo::sim {

bool wildcardMatch(const QString &pattern, const QString &text);
bool patternMatch(const QString &pattern, const QString &text);
// False for a "re:" pattern that is not a valid expression.
bool patternValid(const QString &pattern);

} // namespace dravimo::sim
