#include "translate/job.h"

#include "core/files.h"
#include "core/shared.h"
#include "ecr/fiscaltec.h"

namespace dravimo {

Job::Job(FiscalTec &ecr_, const TranslationSettings &settings_) : ecr(ecr_), settings(settings_)
{
    record.DLAY = settings.DLAY;
    record.curr = settings.curr;
    record.keyboff = settings.keyboff;
}

qint16 Job::send(const QString &command, qint16 quiet, const QString &logFile)
{
    qint16 &result = shared().lastResultCode;
    ecr.SendCommand(command, result, lastReply, quiet, 0, logFile);
    return result;
}

void Job::appendResult(const QString &line) const
{
    AppendLine(state.resultFile, line);
}

bool Job::commentGateOpen() const
{
    return settings.comment == QLatin1String("true") || settings.comment == QLatin1String("TRUE");
}

} // namespace dravimo
