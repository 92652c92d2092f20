// The command exchange fed arbitrary reply bytes in arbitrary pieces at
// arbitrary times (before, across and after the answer window), on the
// virtual clock.
//
// Input, repeated for up to four commands: a command byte (which command,
// with or without a card wait), a piece count, then per piece a delay byte
// (x 40 ms) and a length byte followed by that many reply bytes.
//
// Properties: the exchange ends within its attempts and waits; every command
// on the wire is framed by the line rule; a refusal is cleared with "KXCL"
// and silence takes four attempts; a failure, and only a failure, leaves an
// "Err = " line in the result file; a success hands back text without CR or
// EOT; a whole reply that arrives at once is given back as sent.
#include "fuzzsupport.h"

#include "memorytransport.h"
#include "recordingwindow.h"
#include "testclock.h"

#include "core/commlog.h"
#include "core/files.h"
#include "core/resultfile.h"
#include "ecr/exchange.h"
#include "ecr/notices.h"

#include <QCoreApplication>
#include <QFile>

#include <utility>

using namespace std::chrono_literals;
using dravimo::test::MemoryTransport;

namespace {
const char *const kCommands[] = {"KXCL", "KXSTAT", "K1", "KX794ST\r", "KX0T1\r\n", "KXPAY3,100"};
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    dravimo::fuzz::enterScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace dravimo;
    using fuzz::require;
    fuzz::Bytes in(data, size);
    QFile::remove(QStringLiteral("Result"));
    test::TestClock clock;
    test::RecordingWindow window;
    CommLog log(QStringLiteral("dravimoLog.txt"));
    ResultFile results;
    results.setPath(QStringLiteral("Result"));
    ExchangeNotices notices(window);
    auto owned = std::make_unique<MemoryTransport>(clock);
    MemoryTransport *line = owned.get();
    Exchange exchange(clock, notices, log, results, NumberFormat(QLatin1Char('.')), [&](const QString &) {
        return OpenedTransport{std::move(owned), std::nullopt};
    });
    // Every send passes here: the first one of a command gets the input's
    // reply, a retry gets silence.
    QStringList sent;
    MemoryTransport::Reply next;
    line->responder = [&](const QString &command) {
        sent.append(command);
        return std::exchange(next, MemoryTransport::Reply{});
    };

    int failures = 0;
    for (int n = 0; n < 4 && !in.empty(); ++n) {
        const uint8_t pick = in.next();
        const QString command = QString::fromLatin1(kCommands[pick % std::size(kCommands)]);
        const Seconds cardWait((pick & 0x80) ? 200 : 0);
        MemoryTransport::Reply reply;
        const int pieces = in.next() % 6;
        for (int p = 0; p < pieces; ++p) {
            const Millis after(40 * in.next());
            reply.append({in.take(in.next() % 64), after});
        }
        next = reply;

        const qsizetype wireBefore = sent.size();
        const qint64 started = clock.nowMs();
        const CommandResult got = exchange.send(ecrcommand::raw(command), Quiet::Yes, cardWait);
        const qint64 took = clock.nowMs() - started;
        const QString detail = QStringLiteral("command %1 code %2 reply [%3] took %4 ms")
                                   .arg(command)
                                   .arg(got.code)
                                   .arg(QString::fromLatin1(got.reply.toUtf8().toHex(' ')))
                                   .arg(took);
        // Four 7 s windows, each overrun by at most one read, then the
        // pauses of a refusal, the card wait and its rounding.
        require(took <= 4 * 7300 + 1400 + cardWait.count() * 1000 + 3500, "the exchange ends in time", detail);
        const QStringList onWire = sent.mid(wireBefore);
        if (command == kNoReplyCommand) {
            require(got.ok() && onWire.size() == 1, "the no-reply command goes once and succeeds", detail);
        } else if (got.code == result::NoAnswer) {
            require(onWire.size() == 4, "silence takes four attempts", detail);
        } else {
            require(!onWire.isEmpty() && onWire.size() <= 4, "a reply ends the attempts", detail);
        }
        if (got.ok()) {
            require(!got.reply.contains(QChar(13)) && !got.reply.contains(QChar(4)), "a reply comes back without CR and EOT",
                    detail);
        } else {
            ++failures;
        }
        if (got.code > 0)
            require(onWire.last() == QLatin1String("KXCL"), "a refusal is cleared", detail);
        // A whole plain reply at once, nothing else queued: handed back as it
        // came, up to its first EOT (what follows is not this command's).
        if (command != kNoReplyCommand && cardWait.count() == 0 && reply.size() == 1 && reply[0].after.count() == 0) {
            const QByteArray &b = reply[0].bytes;
            const qsizetype eot = b.indexOf('\x04');
            QString expected = fromWire(b.left(eot));
            expected.remove(QChar(13));
            // "D", EOT, "E..." reads as an error reply once CR and EOT are
            // taken out: the register's rule, not this property's case.
            if (eot >= 0 && !b.contains("DE") && !expected.startsWith(QLatin1String("DE")))
                require(got.ok() && got.reply == expected, "a whole reply is handed back as sent", detail);
        }
        // The line is clear for the next command: late bytes of this one
        // would belong to it, which the register never does.
        while (line->hasPending())
            line->receive();
    }
    for (qsizetype i = 0; i < sent.size(); ++i)
        fuzz::requireFramed(sent[i], line->written()[i]);
    const QStringList lines = splitLines(readTextFile(QStringLiteral("Result")).value_or(QString()));
    require(lines.size() == failures, "one Err line per failed command", lines.join(QLatin1Char('|')));
    for (const QString &l : lines)
        require(l.startsWith(QLatin1String("Err = ")), "only Err lines", l);
    return 0;
}
