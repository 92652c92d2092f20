#include "memorytransport.h"

#include <algorithm>
#include <limits>

namespace dravimo::test {
namespace {
constexpr qsizetype kMaxRead = 255;
constexpr qint64 kReadTotalMs = 256;
constexpr qint64 kReadIntervalMs = 20;
} // namespace

void MemoryTransport::deliverAt(qint64 atMs, const QByteArray &bytes)
{
    schedule(atMs, bytes);
}

void MemoryTransport::schedule(qint64 due, const QByteArray &bytes)
{
    auto at =
        std::upper_bound(pending_.begin(), pending_.end(), due, [](qint64 d, const Pending &p) { return d < p.due; });
    pending_.insert(at, Pending{due, bytes});
}

QByteArray MemoryTransport::takeDue(qint64 now, qsizetype limit)
{
    QByteArray got;
    while (!pending_.isEmpty() && pending_.first().due <= now && got.size() < limit) {
        Pending &p = pending_.first();
        const qsizetype room = limit - got.size();
        got += p.bytes.left(room);
        if (p.bytes.size() > room) {
            p.bytes.remove(0, room);
            break;
        }
        pending_.removeFirst();
    }
    return got;
}

QString MemoryTransport::receive()
{
    ++reads_;
    Clock &clock = clock_;
    qint64 now = clock.nowMs();
    if (pending_.isEmpty() || pending_.first().due > now) {
        const qint64 wait = pending_.isEmpty() ? kReadTotalMs : pending_.first().due - now;
        if (wait >= kReadTotalMs) {
            clock.pause(Millis(kReadTotalMs));
            return {};
        }
        clock.pause(Millis(wait));
        now = clock.nowMs();
    }
    QByteArray got = takeDue(now, kMaxRead);
    // Bytes that follow within the inter-byte gap belong to the same read.
    while (got.size() < kMaxRead && !pending_.isEmpty() && pending_.first().due - now < kReadIntervalMs) {
        clock.pause(Millis(std::max<qint64>(0, pending_.first().due - now)));
        now = clock.nowMs();
        got += takeDue(now, kMaxRead - got.size());
    }
    clock.pause(Millis(kReadIntervalMs));
    return fromWire(got);
}

QString MemoryTransport::drain()
{
    ++drains_;
    return fromWire(takeDue(clock_.nowMs(), std::numeric_limits<qsizetype>::max()));
}

std::optional<LinkFailure> MemoryTransport::send(const QString &command)
{
    const QString framed = frameCommand(command);
    const QByteArray bytes = toWire(framed);
    written_.append(framed);
    wire_ += bytes;
    Reply reply;
    if (!replies_.isEmpty())
        reply = replies_.takeFirst();
    else if (responder)
        reply = responder(command);
    const qint64 now = clock_.nowMs();
    for (const Chunk &c : reply)
        schedule(now + c.after.count(), c.bytes);
    return std::nullopt;
}

} // namespace dravimo::test
