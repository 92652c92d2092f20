#pragma once
// A job's result lines read back into JSON for a host of the HTTP interface:
// the same lines a print-folder host reads in its result file, taken apart.

#include <QJsonObject>
#include <QStringList>

namespace dravimo {

// {tag, start, end, exitCode, exitMeaning, receipt{z, last, table},
//  recStatus, errors[{code, command, text, at}], cardPayments[], sendReplies[{code, reply}]}:
// the last value of each when the file holds more than one (a job settled
// after a restart).
QJsonObject outcomeJson(const QStringList &lines);

// The register's status as the interface reports it: {code, greek, english}.
QJsonObject registerStatusJson(int code, const QString &greek);

// "<Z number>, <last receipt>" as {z, lastReceipt}.
QJsonObject receiptNumbersJson(const QString &numbers);

} // namespace dravimo
