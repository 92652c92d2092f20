#pragma once
// The serial line as a pseudo-terminal (POSIX only): the program opens the
// slave device as if it were a serial port, the simulator works the master.

#include "sim/chunkwriter.h"

#include <QObject>
#include <QString>

class QSocketNotifier;

namespace dravimo::sim {

class EcrSimulator;

class PtyPort : public QObject
{
    Q_OBJECT

public:
    explicit PtyPort(EcrSimulator &sim, QObject *parent = nullptr);
    ~PtyPort() override;

    bool open(QString *error);
    // The device the program is to open, e.g. /dev/pts/7.
    QString devicePath() const { return path_; }

private:
    void readMaster();
    void write(const QByteArray &bytes);

    EcrSimulator &sim_;
    ChunkWriter writer_;
    QSocketNotifier *notifier_ = nullptr;
    int master_ = -1;
    int slave_ = -1;
    QString path_;
};

} // namespace dravimo::sim
