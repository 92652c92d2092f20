#pragma once
// The status page at "/": one small HTML page, drawn whole on the server
// (no script, no external file), that a browser reloads by itself every few
// seconds: the register's health, whether printing is on, and the last jobs
// with what their result files say.

#include "control/submittedjobs.h"
#include "core/recentjobs.h"

#include <QByteArray>

#include <vector>

namespace dravimo {

inline constexpr int kStatusPageRefreshSeconds = 5;

struct StatusPageData
{
    RegisterSnapshot register_;
    std::vector<JobRecord> jobs; // newest first
    int queued = 0;
    qint64 nowMs = 0; // program time, as RegisterSnapshot::lastAnswerMs
};

QByteArray statusPage(const StatusPageData &data);

} // namespace dravimo
