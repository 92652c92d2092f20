#include "sim/simulator.h"

#include "sim/control.h"
#include "sim/wildcard.h"

#include "core/clock.h"
#include "greek/cp1253.h"

#include <QFile>
#include <QTimer>

namespace dravimo::sim {

namespace {
const QByteArray kLineEnd("\r\n");
const QByteArray kReplyEnd("\r\x04");
} // namespace

QByteArray replyBytes(const Reply &reply)
{
    switch (reply.kind) {
    case Reply::Kind::Text: return cp1253::encode(reply.text) + kReplyEnd;
    case Reply::Kind::Error: return QByteArray("DE") + QByteArray::number(reply.code);
    case Reply::Kind::None: break;
    }
    return QByteArray();
}

EcrSimulator::EcrSimulator(Clock &clock, QObject *parent) : QObject(parent), clock_(clock)
{}

QList<Chunk> EcrSimulator::feed(const QByteArray &bytes)
{
    buffer_ += bytes;
    QList<Chunk> out;
    for (qsizetype end = buffer_.indexOf(kLineEnd); end >= 0; end = buffer_.indexOf(kLineEnd)) {
        const QByteArray command = buffer_.left(end);
        buffer_.remove(0, end + kLineEnd.size());
        out += handleCommand(command);
    }
    if (buffer_.size() > kMaxCommandBytes) {
        trace_.record(Trace::Dir::Note, QByteArray(),
                      QStringLiteral("%1 bytes without CR LF dropped").arg(buffer_.size()));
        buffer_.clear();
    }
    return out;
}

QList<Chunk> EcrSimulator::feedDatagram(const QByteArray &datagram)
{
    // The program sends commands of two characters or less without a line
    // end, so a datagram without one is still a whole command.
    QByteArray command = datagram;
    if (command.endsWith(kLineEnd))
        command.chop(kLineEnd.size());
    return handleCommand(command);
}

QList<Chunk> EcrSimulator::handleCommand(const QByteArray &framed)
{
    const QString text = cp1253::decode(framed);
    fireTriggers(text);
    trace_.record(Trace::Dir::Command, framed);
    random_.beforeCommand(text, *this);
    if (faults_.takeSilent()) {
        trace_.record(Trace::Dir::Note, QByteArray(), QStringLiteral("silent: command ignored"));
        return {};
    }
    const bool cardWasPending = register_.cardPending();
    const Reply reply = answer(text);
    if (cardWasPending && !register_.cardPending())
        trace_.record(Trace::Dir::Note, QByteArray(), QStringLiteral("card transaction abandoned"));
    if (reply.kind == Reply::Kind::None) {
        trace_.record(Trace::Dir::Note, QByteArray(), QStringLiteral("no reply"));
        return {};
    }
    if (faults_.takeLoseReply()) {
        // Carried out, a card handed to the terminal included; only the
        // reply is lost on its way.
        trace_.record(Trace::Dir::Note, QByteArray(),
                      QStringLiteral("reply lost: ") + cp1253::decode(replyBytes(reply)));
        if (const auto card = register_.takeCardRequest())
            startCard(*card);
        return {};
    }
    const Shaping shaping = faults_.takeShaping();
    QList<Chunk> chunks = shapeReply(replyBytes(reply), shaping);
    QString note;
    if (shaping.delayMs > 0)
        note += QStringLiteral("after %1 ms").arg(shaping.delayMs);
    if (chunks.size() > 1)
        note += (note.isEmpty() ? QString() : QStringLiteral(", ")) + QStringLiteral("in %1 pieces").arg(chunks.size());
    trace_.record(Trace::Dir::Reply, shaping.garbage + replyBytes(reply), note);
    if (const auto card = register_.takeCardRequest())
        startCard(*card);
    return chunks;
}

Reply EcrSimulator::answer(const QString &text)
{
    if (const auto code = faults_.takeError(text)) {
        trace_.record(Trace::Dir::Note, QByteArray(), QStringLiteral("scripted error %1").arg(*code));
        return Reply::error(*code);
    }
    return register_.handle(parseCommand(text));
}

// Triggers set by a trigger's own line wait for the next command, so that
// "on KXSTAT on KXSTAT ..." means the second status question.
void EcrSimulator::fireTriggers(const QString &command)
{
    QStringList due;
    for (qsizetype i = 0; i < triggers_.size();) {
        if (patternMatch(triggers_[i].pattern, command))
            due << triggers_.takeAt(i).line;
        else
            ++i;
    }
    for (const QString &line : due) {
        trace_.record(Trace::Dir::Note, QByteArray(), QStringLiteral("on %1: %2").arg(command, line));
        control(line);
    }
}

void EcrSimulator::startCard(const CardRequest &request)
{
    const CardOutcome outcome = card_.next();
    if (outcome.kind == CardOutcome::Kind::None) {
        trace_.record(Trace::Dir::Note, QByteArray(), QStringLiteral("card terminal will not answer"));
        return;
    }
    const int wait = clock_.realMs(Millis(card_.delayOf(outcome)));
    QTimer::singleShot(wait, this, [this, request, outcome] { deliverCard(request, outcome); });
}

void EcrSimulator::deliverCard(const CardRequest &request, const CardOutcome &outcome)
{
    if (!register_.completeCard(request.id, outcome.approves())) {
        trace_.record(Trace::Dir::Note, QByteArray(), QStringLiteral("card outcome dropped: transaction abandoned"));
        return;
    }
    QByteArray bytes = cp1253::encode(CardTerminal::replyText(outcome, request, clock_.wallNow()));
    if (outcome.kind != CardOutcome::Kind::Raw)
        bytes += kReplyEnd;
    trace_.record(Trace::Dir::Async, bytes);
    emit asyncOutput(bytes);
}

QString EcrSimulator::control(const QString &line)
{
    return ControlInterpreter(*this).run(line);
}

bool EcrSimulator::loadScenario(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    int number = 0;
    while (!file.atEnd()) {
        ++number;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const QString result = control(line);
        if (result.startsWith(QLatin1String("error"))) {
            if (error)
                *error = QStringLiteral("%1:%2: %3").arg(path).arg(number).arg(result);
            return false;
        }
    }
    return true;
}

void EcrSimulator::schedule(qint64 ms, const QString &line)
{
    QTimer::singleShot(clock_.realMs(Millis(ms)), this, [this, line] {
        trace_.record(Trace::Dir::Note, QByteArray(), QStringLiteral("timed: %1").arg(line));
        control(line);
    });
}

void EcrSimulator::addTrigger(const QString &pattern, const QString &line)
{
    triggers_.append(Trigger{pattern, line});
}

} // namespace dravimo::sim
