#include "core/debuglog.h"

#include "core/files.h"
#include "core/shared.h"

#include <QCoreApplication>
#include <QDir>

#include <exception>

namespace dravimo {

QString clsDebug::logFilePath()
{
    const QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    return QDir(dir).filePath(kCommLogFile);
}

void clsDebug::PrintCombine(const QString &text)
{
    if (!shared().debugOpen || !sink_)
        return;
    try {
        // Opened and closed for every line, so the log is complete even if
        // the program is killed in the middle of a job.
        if (sink_->logsToFile())
            AppendLine(logFilePath(), text);
        sink_->showLine(text);
    } catch (const std::exception &) {
        // the log never reaches the caller
    }
}

clsDebug &debugLog()
{
    static clsDebug writer;
    return writer;
}

} // namespace dravimo
