#include "core/commlog.h"

#include "core/files.h"

#include <QCoreApplication>
#include <QDir>

#include <exception>

namespace dravimo {

QString CommLog::defaultFilePath()
{
    const QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    return QDir(dir).filePath(kCommLogFile);
}

void CommLog::write(const QString &text)
{
    if (!sink_)
        return;
    try {
        // Opened and closed for every line, so the log is complete even if
        // the program is killed in the middle of a job.
        if (sink_->logsToFile())
            appendLine(filePath_, text);
        sink_->showLine(text);
    } catch (const std::exception &) {
        // the log never reaches the caller
    }
}

} // namespace dravimo
