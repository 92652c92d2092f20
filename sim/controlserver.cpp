#include "sim/controlserver.h"

#include "sim/simulator.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>

namespace dravimo::sim {

ControlServer::ControlServer(EcrSimulator &sim, QObject *parent)
    : QObject(parent), sim_(sim), server_(new QLocalServer(this))
{
    connect(server_, &QLocalServer::newConnection, this, &ControlServer::acceptClient);
}

bool ControlServer::listen(const QString &name, QString *error)
{
    // A socket file left behind by a simulator that was killed would block
    // the name for ever.
    QLocalServer::removeServer(name);
    if (server_->listen(name))
        return true;
    if (error)
        *error = server_->errorString();
    return false;
}

QString ControlServer::fullName() const
{
    return server_->fullServerName();
}

void ControlServer::acceptClient()
{
    while (QLocalSocket *client = server_->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] { serve(client); });
    }
}

void ControlServer::serve(QLocalSocket *client)
{
    while (client->canReadLine()) {
        const QString line = QString::fromUtf8(client->readLine()).trimmed();
        client->write(frameAnswer(sim_.control(line)));
        // Out before anything else happens: the line may have been "quit".
        client->flush();
    }
    // No instruction is anywhere near this long: a client that sends this
    // much without a line end is not talking our protocol.
    if (client->bytesAvailable() > kMaxLineBytes)
        client->abort();
}

QByteArray frameAnswer(const QString &answer)
{
    QByteArray out;
    QString text = answer;
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (!text.isEmpty()) {
        for (const QString &line : text.split(QLatin1Char('\n')))
            out += (line.startsWith(QLatin1Char('.')) ? QStringLiteral(".") + line : line).toUtf8() + '\n';
    }
    return out + ".\n";
}

bool takeAnswer(QByteArray &buffer, QString &answer)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype end = buffer.indexOf('\n'); end >= 0; end = buffer.indexOf('\n', start)) {
        const QString line = QString::fromUtf8(buffer.mid(start, end - start));
        start = end + 1;
        if (line == QLatin1String(".")) {
            buffer.remove(0, start);
            answer = lines.join(QLatin1Char('\n'));
            return true;
        }
        lines << (line.startsWith(QLatin1String("..")) ? line.mid(1) : line);
    }
    return false;
}

// The time-out is real time on purpose: it waits for another process, whose
// answer does not come sooner because this one runs a faster clock.
bool sendControlLines(const QString &name, const QStringList &lines, QStringList &answers, QString *error,
                      int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) {
        if (error)
            *error = socket.errorString();
        return false;
    }
    QByteArray buffer;
    for (const QString &line : lines) {
        socket.write(line.toUtf8() + '\n');
        socket.flush();
        QString answer;
        QElapsedTimer waited;
        waited.start();
        while (!takeAnswer(buffer, answer)) {
            const int left = int(timeoutMs - waited.elapsed());
            if (socket.bytesAvailable() > 0) {
                buffer += socket.readAll();
                continue;
            }
            if (left <= 0 || !socket.waitForReadyRead(left)) {
                if (error)
                    *error = QStringLiteral("no answer to \"%1\"").arg(line);
                return false;
            }
            buffer += socket.readAll();
        }
        answers << answer;
    }
    return true;
}

} // namespace dravimo::sim
