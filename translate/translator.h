#pragma once
// The print-file translator: one print file in, the register's command
// sequence out, and the job's outcome appended to its result file.

#include "settings/settings.h"

#include <QString>

#include <functional>

namespace dravimo {

class ProgressIndicator;
struct EcrSession;

class Translator
{
public:
    Translator(EcrSession &ecr, ProgressIndicator &progress);

    // Translates one print file. Returns false when the file could not be
    // opened or read (no outcome lines are written then; the caller decides
    // what to do).
    bool translate(const QString &path, const TranslationOptions &options);

    // Runs the daily Z report for an "MKZ" line (the controller's report).
    std::function<void()> zReport;

private:
    EcrSession &ecr_;
    ProgressIndicator &progress_;
};

} // namespace dravimo
