#include "sim/wildcard.h"

#include <QRegularExpression>

namespace dravimo::sim {

// Greedy match with one backtrack point, the usual linear-time glob walk.
bool wildcardMatch(const QString &pattern, const QString &text)
{
    qsizetype p = 0, t = 0, star = -1, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            star = p++;
            resume = t;
        } else if (star >= 0) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

} // namespace dravimo::sim

namespace dravimo::sim {
namespace {
const QLatin1String kRegexPrefix("re:");

QRegularExpression anchored(const QString &pattern)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern.mid(kRegexPrefix.size())),
                              QRegularExpression::DotMatchesEverythingOption);
}
} // namespace

bool patternMatch(const QString &pattern, const QString &text)
{
    if (pattern.startsWith(kRegexPrefix))
        return anchored(pattern).match(text).hasMatch();
    return wildcardMatch(pattern, text);
}

bool patternValid(const QString &pattern)
{
    return !pattern.startsWith(kRegexPrefix) || anchored(pattern).isValid();
}

} // namespace dravimo::sim
