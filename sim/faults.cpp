#include "sim/faults.h"

#include "sim/wildcard.h"

namespace dravimo::sim {

QByteArray joinChunks(const QList<Chunk> &chunks)
{
    QByteArray all;
    for (const Chunk &chunk : chunks)
        all += chunk.bytes;
    return all;
}

QList<Chunk> shapeReply(const QByteArray &reply, const Shaping &shaping)
{
    const QByteArray all = shaping.garbage + reply;
    QList<Chunk> chunks;
    if (all.isEmpty())
        return chunks;
    const qsizetype pieces = std::clamp<qsizetype>(shaping.pieces, 1, all.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i < pieces; ++i) {
        const qsizetype end = all.size() * (i + 1) / pieces;
        chunks.append(Chunk{i == 0 ? shaping.delayMs : shaping.gapMs, all.mid(start, end - start)});
        start = end;
    }
    return chunks;
}

void FaultPlan::addErrorRule(int code, const QString &pattern, int times)
{
    errors_.append(ErrorRule{code, pattern, times});
}

void FaultPlan::removeErrorRules(const QString &pattern)
{
    errors_.removeIf([&](const ErrorRule &r) { return pattern.isEmpty() || r.pattern == pattern; });
}

void FaultPlan::setSplit(int pieces, qint64 gapMs, int times)
{
    split_ = {Split{pieces, gapMs}, times};
}

void FaultPlan::reset()
{
    *this = FaultPlan{};
}

template <typename T>
bool FaultPlan::take(Counted<T> &c)
{
    if (c.remaining == 0)
        return false;
    if (c.remaining > 0)
        --c.remaining;
    return true;
}

// A count of commands a fault still applies to: kAlways, 0 = off, or N.
static bool takeCount(int &remaining)
{
    if (remaining == 0)
        return false;
    if (remaining > 0)
        --remaining;
    return true;
}

bool FaultPlan::takeSilent()
{
    return takeCount(silent_);
}

bool FaultPlan::takeLoseReply()
{
    return takeCount(loseReply_);
}

std::optional<int> FaultPlan::takeError(const QString &command)
{
    for (qsizetype i = 0; i < errors_.size(); ++i) {
        ErrorRule &rule = errors_[i];
        if (!patternMatch(rule.pattern, command))
            continue;
        const int code = rule.code;
        if (rule.remaining > 0 && --rule.remaining == 0)
            errors_.removeAt(i);
        return code;
    }
    return std::nullopt;
}

Shaping FaultPlan::takeShaping()
{
    Shaping s;
    if (take(delay_))
        s.delayMs = delay_.value;
    if (take(split_)) {
        s.pieces = split_.value.pieces;
        s.gapMs = split_.value.gapMs;
    }
    if (take(garbage_))
        s.garbage = garbage_.value;
    return s;
}

QStringList FaultPlan::describe() const
{
    const auto times = [](int n) { return n == kAlways ? QString() : QStringLiteral(" times %1").arg(n); };
    QStringList lines;
    if (silent_ != 0)
        lines << (silent_ == kAlways ? QStringLiteral("silent") : QStringLiteral("silent %1").arg(silent_));
    if (loseReply_ != 0)
        lines << (loseReply_ == kAlways ? QStringLiteral("lose-reply")
                                        : QStringLiteral("lose-reply %1").arg(loseReply_));
    for (const ErrorRule &r : errors_)
        lines << QStringLiteral("error %1 \"%2\"%3").arg(r.code).arg(r.pattern, times(r.remaining));
    if (delay_.remaining != 0)
        lines << QStringLiteral("delay %1").arg(delay_.value) + times(delay_.remaining);
    if (split_.remaining != 0)
        lines << QStringLiteral("split %1 gap %2").arg(split_.value.pieces).arg(split_.value.gapMs)
                + times(split_.remaining);
    if (garbage_.remaining != 0)
        lines << QStringLiteral("garbage hex:%1").arg(QString::fromLatin1(garbage_.value.toHex()))
                + times(garbage_.remaining);
    return lines;
}

QByteArray noiseBytes(int count)
{
    static const QByteArray pattern = QByteArray::fromHex("ff007f1b55aa80fe");
    QByteArray noise;
    for (int i = 0; i < count; ++i)
        noise.append(pattern[i % pattern.size()]);
    return noise;
}

} // namespace dravimo::sim
