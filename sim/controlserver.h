#pragma once
// The control channel: a local socket (a Unix socket, a named pipe on
// Windows) that takes scenario lines while the simulator runs.
//
// Protocol: the client writes lines (UTF-8, LF). Each line is answered by its
// result ("ok", "error: ...", or the text a "show" asked for), line by line,
// followed by a line holding a single "."; a result line that itself starts
// with "." is sent with one more "." in front, so the end is unmistakable.

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace dravimo::sim {

class EcrSimulator;

class ControlServer : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kMaxLineBytes = 64 * 1024;

    explicit ControlServer(EcrSimulator &sim, QObject *parent = nullptr);

    bool listen(const QString &name, QString *error);
    QString fullName() const;

private:
    void acceptClient();
    void serve(QLocalSocket *client);

    EcrSimulator &sim_;
    QLocalServer *server_;
};

// One answer in the channel's framing, and back.
QByteArray frameAnswer(const QString &answer);
// Takes one complete framed answer off the front of buffer, if there is one.
bool takeAnswer(QByteArray &buffer, QString &answer);

// The client side (ecrsim --send): sends the lines in order, gives back the
// answers. Fails when the simulator cannot be reached or stops answering
// within timeoutMs of real time.
bool sendControlLines(const QString &name, const QStringList &lines, QStringList &answers, QString *error,
                      int timeoutMs = 5000);

} // namespace dravimo::sim
