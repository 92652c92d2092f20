#pragma once
// Line faults a scenario can switch on: a register that stays silent, answers
// an error to certain commands, or answers late, in pieces or after noise.
//
// Each fault is either permanent (until switched off) or counted: it then
// applies to the next N commands (silence, errors) or replies (delay, split,
// garbage) and switches itself off.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace dravimo::sim {

inline constexpr int kAlways = -1;

// One piece of a reply and how long after the previous piece (or after the
// command) it goes out, in program milliseconds.
struct Chunk
{
    qint64 delayMs = 0;
    QByteArray bytes;

    bool operator==(const Chunk &other) const = default;
};

struct Shaping
{
    qint64 delayMs = 0;
    int pieces = 1;
    qint64 gapMs = 0;
    QByteArray garbage;
};

// All the bytes of a list of chunks, for callers that do not care when they
// would go out.
QByteArray joinChunks(const QList<Chunk> &chunks);

// Cuts a reply into chunks as the shaping asks: noise first, then the reply in
// near-equal pieces.
QList<Chunk> shapeReply(const QByteArray &reply, const Shaping &shaping);

class FaultPlan
{
public:
    // Between the pieces of a split reply: longer than the 20 ms a serial read
    // waits for a next byte, so each piece arrives in a read of its own.
    static constexpr qint64 kDefaultSplitGapMs = 50;

    void setSilent(int count) { silent_ = count; }
    // The register carries the command out but its reply never leaves.
    void setLoseReply(int count) { loseReply_ = count; }
    void addErrorRule(int code, const QString &pattern, int times = kAlways);
    // Removes the rules with this pattern, or all rules when it is empty.
    void removeErrorRules(const QString &pattern = QString());
    void setDelay(qint64 ms, int times = kAlways) { delay_ = {ms, times}; }
    void setSplit(int pieces, qint64 gapMs, int times = kAlways);
    void setGarbage(const QByteArray &bytes, int times = kAlways) { garbage_ = {bytes, times}; }
    void reset();

    // Per command, in this order: silence swallows the command, an error rule
    // answers for the register, otherwise the register's reply is shaped.
    bool takeSilent();
    bool takeLoseReply();
    std::optional<int> takeError(const QString &command);
    Shaping takeShaping();

    QStringList describe() const;

private:
    template <typename T>
    struct Counted
    {
        T value{};
        int remaining = 0; // kAlways, 0 = off, or how many more times
    };
    struct ErrorRule
    {
        int code = 0;
        QString pattern;
        int remaining = kAlways;
    };
    struct Split
    {
        int pieces = 1;
        qint64 gapMs = kDefaultSplitGapMs;
    };

    template <typename T>
    static bool take(Counted<T> &c);

    int silent_ = 0;
    int loseReply_ = 0;
    QList<ErrorRule> errors_;
    Counted<qint64> delay_;
    Counted<Split> split_;
    Counted<QByteArray> garbage_;
};

// Noise for the garbage fault: bytes that are neither EOT nor CR nor the
// letters of an error reply, so they only ever precede the reply.
QByteArray noiseBytes(int count);

} // namespace dravimo::sim
