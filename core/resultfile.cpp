#include "core/resultfile.h"

#include "core/files.h"

namespace dravimo {

void ResultFile::append(const QString &line) const
{
    if (line.startsWith(QLatin1String("ccPay")))
        ++cardAcknowledgements_;
    QString why;
    if (!appendLine(path_, line, &why) && report_)
        report_(path_, line, why);
}

} // namespace dravimo
