#pragma once
// The names of the program's metrics, for the parts that add to them. What
// each one counts, its help text and its label are declared in one place:
// control/programmetrics.cpp.

#include <QString>

namespace dravimo::metric {

inline const QString kJobs = QStringLiteral("dravimo_jobs_total");
inline const QString kCommands = QStringLiteral("dravimo_commands_total");
inline const QString kReplies = QStringLiteral("dravimo_replies_total");
inline const QString kRefusals = QStringLiteral("dravimo_refusals_total");
inline const QString kSettlements = QStringLiteral("dravimo_settlements_total");
inline const QString kQuarantines = QStringLiteral("dravimo_quarantines_total");
inline const QString kCardAttempts = QStringLiteral("dravimo_card_attempts_total");
inline const QString kLinkReopens = QStringLiteral("dravimo_link_reopens_total");
inline const QString kRoundTrip = QStringLiteral("dravimo_command_round_trip_seconds");
inline const QString kJobDuration = QStringLiteral("dravimo_job_duration_seconds");
inline const QString kAnswering = QStringLiteral("dravimo_register_answering");

} // namespace dravimo::metric
