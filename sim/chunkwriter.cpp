#include "sim/chunkwriter.h"

#include "core/clock.h"

#include <QTimer>

namespace dravimo::sim {

void ChunkWriter::enqueue(const QList<Chunk> &chunks, const Write &write)
{
    for (const Chunk &chunk : chunks)
        queue_.append(Pending{chunk, write});
    pump();
}

void ChunkWriter::pump()
{
    while (!waiting_ && !queue_.isEmpty()) {
        const int wait = clock_.realMs(Millis(queue_.front().chunk.delayMs));
        if (wait <= 0) {
            writeFront();
            continue;
        }
        waiting_ = true;
        QTimer::singleShot(wait, this, [this] {
            waiting_ = false;
            writeFront();
            pump();
        });
    }
}

void ChunkWriter::writeFront()
{
    const Pending front = queue_.takeFirst();
    front.write(front.chunk.bytes);
}

} // namespace dravimo::sim
