#include "control/programmetrics.h"

#include "core/metricnames.h"
#include "core/metrics.h"
#include "ecr/commands.h"

namespace dravimo {

void declareProgramMetrics(Metrics &m)
{
    using namespace metric;
    m.declareCounter(kJobs,
                     QStringLiteral("Jobs ended, print files and HTTP jobs alike, by the exit code their result "
                                    "file gives (0 done, 1 not done, 2 receipt left open, 3 a line refused)."),
                     QStringLiteral("exit_code"),
                     {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    QStringList kinds;
    for (int k = int(CommandKind::Question); k <= int(CommandKind::Raw); ++k)
        kinds.append(kindName(CommandKind(k)));
    m.declareCounter(kCommands,
                     QStringLiteral("Commands sent to the register, by what they do (an answer window's retries of "
                                    "one command count once; the clear after a refusal counts as a clear)."),
                     QStringLiteral("kind"), kinds);
    m.declareCounter(kReplies,
                     QStringLiteral("How commands ended: ok, refused (a register error code), no_answer (silence "
                                    "through every attempt), port_failed; late counts replies that came after "
                                    "their command had been given up."),
                     QStringLiteral("outcome"),
                     {QStringLiteral("ok"), QStringLiteral("refused"), QStringLiteral("no_answer"),
                      QStringLiteral("port_failed"), QStringLiteral("late")});
    m.declareCounter(kRefusals, QStringLiteral("Commands the register refused, by its error code."),
                     QStringLiteral("code"));
    m.declareCounter(kSettlements,
                     QStringLiteral("Jobs cut short (a crash, a lost reply) and settled: finished on the register, "
                                    "dropped (the print file gone or changed) or quarantined."),
                     QStringLiteral("outcome"),
                     {QStringLiteral("finished"), QStringLiteral("dropped"), QStringLiteral("quarantined")});
    m.declareCounter(kQuarantines,
                     QStringLiteral("Print files put aside in the quarantine folder for someone to look at."));
    m.declareCounter(kCardAttempts, QStringLiteral("Card terminal answers to card payments, by how they are taken."),
                     QStringLiteral("class"),
                     {QStringLiteral("accepted"), QStringLiteral("declined"), QStringLiteral("refused"),
                      QStringLiteral("busy"), QStringLiteral("not_received")});
    m.declareCounter(kLinkReopens,
                     QStringLiteral("Times the serial port was opened again after silence or a failure."));
    m.declareHistogram(kRoundTrip,
                       QStringLiteral("From a command's first send to its outcome, retries and card waits included."),
                       {0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30, 60, 120, 300});
    m.declareHistogram(kJobDuration, QStringLiteral("From a job's start to its exit code."),
                       {0.5, 1, 2.5, 5, 10, 30, 60, 120, 300, 600});
    m.declareGauge(kAnswering, QStringLiteral("1 when the register answered the last command sent to it, else 0."), 0);
}

} // namespace dravimo
