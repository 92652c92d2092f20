// A whole print file through the translator, against a register on an
// in-memory line whose every answer is chosen by the fuzz input: a reply, an
// error reply, silence, an odd status text, a reply in pieces or late, garbage
// before it. The real exchange runs on the virtual clock, so silences and card
// waits cost nothing.
//
// Input: one byte of options (item codes, currency, model, descriptions,
// comments, keyboard, departments), one byte n, then n % 32 answer bytes (used in turn, round and round;
// none: every command answered "OK"), then the print file's bytes.
//
// Properties: every command on the wire is framed by the line rule; the result
// file holds the job's opening lines and then its four outcome lines, once
// each and in order, whatever the register did.
#include "fuzzsupport.h"

#include "memorytransport.h"
#include "recordingwindow.h"
#include "testclock.h"

#include "core/commlog.h"
#include "core/files.h"
#include "core/progressindicator.h"
#include "core/resultfile.h"
#include "ecr/exchange.h"
#include "ecr/notices.h"
#include "ecr/session.h"
#include "payments/payeft.h"
#include "settings/vats.h"
#include "translate/translator.h"

#include <QCoreApplication>
#include <QFile>

using namespace std::chrono_literals;
using dravimo::test::MemoryTransport;

namespace dravimo::fuzz {
namespace {

const char *const kTexts[] = {"", "0", "1", "12:00123:17", "0;0;0", "1234", "OK", "00", "15,50", "3:1:0"};
const char *const kOdd[] = {"\x01\x02", "-", "99999999999999", "\xff\xfe", "0.5", " 7 ", "1e308", ";;;;"};
const char *const kErrors[] = {"DE2", "DE1038", "DE1064", "DE6", "DE0", "DE9999", "DE", "DEx 12"};

MemoryTransport::Reply answerFor(uint8_t b)
{
    const char *text = kTexts[(b >> 3) % std::size(kTexts)];
    const QByteArray end("\r\x04");
    switch (b & 7) {
    case 3:
        return {{QByteArray(kErrors[(b >> 3) % std::size(kErrors)]), 0ms}};
    case 4:
        return {};
    case 5:
        return {{QByteArray(kOdd[(b >> 3) % std::size(kOdd)]) + end, 0ms}};
    case 6: // in pieces, the last possibly after the answer window
        return {{QByteArray(text).left(1), 0ms},
                {QByteArray(text).mid(1) + "\r", Millis(300 * (b >> 5))},
                {"\x04", Millis(1000 * (b >> 4))}};
    case 7: // garbage first, and a second burst (a card terminal's outcome)
        return {{QByteArray("\x00\x7f\x1b", 3) + text + end, 0ms}, {"00\r\x04", Millis(500 + 900 * (b >> 3))}};
    default:
        return {{QByteArray(text) + end, 0ms}};
    }
}

// Writes the result file's opening and outcome lines, in order, once each.
void requireOutcome(const QStringList &lines)
{
    const QString all = lines.join(QLatin1Char('|'));
    require(lines.size() >= 6, "result file has its six lines", all);
    require(lines[0].startsWith(QLatin1String("tag = ")), "first line is the tag", all);
    require(lines[1].startsWith(QLatin1String("DateTime start = ")), "second line is the start", all);
    const char *const outcome[] = {"DateTime end = ", "recStatus = ", "receipt = ", "exitcode = "};
    qsizetype from = 2;
    for (const char *prefix : outcome) {
        qsizetype at = -1;
        for (qsizetype i = 2; i < lines.size(); ++i) {
            if (!lines[i].startsWith(QLatin1String(prefix)))
                continue;
            require(at < 0, "each outcome line once", all);
            at = i;
        }
        require(at >= from, "outcome lines present and in order", all);
        from = at + 1;
    }
}

} // namespace
} // namespace dravimo::fuzz

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    dravimo::fuzz::enterScratchFolder();
    dravimo::saveVatRates({6.0, 13.0, 24.0, 0.0, 17.0});
    // Payment 3 is a card payment on terminal 1, falling back to cash: the
    // card wait and its fallback are reached by "PAY" lines of the input.
    dravimo::writePaymentType({3, 3, 1, -1, 1, 1});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace dravimo;
    fuzz::Bytes in(data, size);
    const uint8_t o = in.next();
    const QByteArray script = in.take(in.next() % 32);
    QByteArray print = in.rest();
    // A result file named by the input could land anywhere on this machine.
    print.replace("resFile:", "resFilX:");
    QFile::remove(QStringLiteral("Result"));
    QFile f(QStringLiteral("print.txt"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(print) != print.size())
        return 0;
    f.close();

    test::TestClock clock;
    test::RecordingWindow window;
    // A register that never answers again keeps the error wait polling until
    // the operator closes its dialog; after an hour of program time this
    // operator does. (Unattended, the program waits for the register to come
    // back, as it waits for paper.)
    window.onEvents = [&] {
        if (clock.nowMs() > 3600 * 1000)
            window.operatorClosesDialog();
    };
    CommLog log(QStringLiteral("dravimoLog.txt"));
    ResultFile results;
    ExchangeNotices notices(window);
    auto line = std::make_unique<test::MemoryTransport>(clock);
    test::MemoryTransport *wire = line.get();
    QStringList sent;
    int turn = 0;
    wire->responder = [&](const QString &command) {
        sent.append(command);
        if (script.isEmpty())
            return test::MemoryTransport::Reply{{"OK\r\x04", 0ms}};
        return fuzz::answerFor(uint8_t(script[turn++ % script.size()]));
    };
    Exchange exchange(clock, notices, log, results, NumberFormat(QLatin1Char('.')), [&](const QString &) {
        return OpenedTransport{std::move(line), std::nullopt};
    });
    EcrSession session{exchange, window, clock, results, NumberFormat(QLatin1Char('.'))};
    ProgressIndicator progress(window);
    Translator translator(session, progress);
    translator.zReport = [](EcrLink &) {};
    TranslationOptions options;
    options.printDescriptions = !(o & 1);
    options.commentLines = !(o & 2);
    options.keyboardLocked = o & 4;
    options.departmentFromLine = o & 8;
    options.quantityInDescription = o & 16;
    options.itemCodes = static_cast<ItemCodes>((o >> 5) % 3);
    options.ecrModel = static_cast<EcrModel>((o >> 5) % 3);
    options.currency = static_cast<Currency>((o >> 6) % 4);
    // An empty file is one the host has only just created: never taken.
    const bool translated = translator.translate(QStringLiteral("print.txt"), options);
    fuzz::require(translated == !print.isEmpty(), "a readable print file is translated, an empty one waits");
    if (!translated)
        return 0;

    fuzz::require(sent.size() == wire->written().size(), "every command reached the line once");
    for (qsizetype i = 0; i < sent.size(); ++i)
        fuzz::requireFramed(sent[i], wire->written()[i]);
    fuzz::requireOutcome(splitLines(readTextFile(QStringLiteral("Result")).value_or(QString())));
    return 0;
}
