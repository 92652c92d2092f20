#pragma once
// Command patterns of scenarios: "*" stands for any run of characters, "?"
// for one character; everything else matches itself, spaces included.

#include <QString>

namespace dravimo::sim {

bool wildcardMatch(const QString &pattern, const QString &text);

} // namespace dravimo::sim
