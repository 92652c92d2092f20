#pragma once
// Writes reply chunks in order, each after its delay, without blocking the
// event loop: the simulator keeps reading (and may queue further replies)
// while a late reply is still waiting to go out.

#include "sim/faults.h"

#include <QList>
#include <QObject>

#include <functional>

namespace dravimo {
class Clock;
}

namespace dravimo::sim {

class ChunkWriter : public QObject
{
    Q_OBJECT

public:
    using Write = std::function<void(const QByteArray &)>;

    explicit ChunkWriter(Clock &clock, QObject *parent = nullptr) : QObject(parent), clock_(clock) {}

    // Queues chunks behind whatever is still waiting; write sends one chunk.
    void enqueue(const QList<Chunk> &chunks, const Write &write);
    bool idle() const { return queue_.isEmpty() && !waiting_; }

private:
    struct Pending
    {
        Chunk chunk;
        Write write;
    };

    void pump();
    void writeFront();

    Clock &clock_;
    QList<Pending> queue_;
    bool waiting_ = false;
};

} // namespace dravimo::sim
