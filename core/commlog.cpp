#include "core/commlog.h"

#include "core/files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <exception>

namespace dravimo {

QString CommLog::defaultFilePath()
{
    const QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    if (QFileInfo(dir).isWritable())
        return QDir(dir).filePath(kCommLogFile);
    return QDir::current().filePath(kCommLogFile);
}

void CommLog::write(const QString &text)
{
    if (!isOpen())
        return;
    try {
        // Opened and closed for every line, so the log is complete even if
        // the program is killed in the middle of a job.
        if (keepToFile_)
            appendCapped(text);
        else if (sink_->logsToFile())
            appendLine(filePath_, text);
        if (sink_)
            sink_->showLine(text);
    } catch (const std::exception &) {
        // the log never reaches the caller
    }
}

void CommLog::appendCapped(const QString &text)
{
    if (QFileInfo(filePath_).size() >= kCommLogCapBytes) {
        const QString older = filePath_ + QStringLiteral(".1");
        QFile::remove(older);
        QFile::rename(filePath_, older);
    }
    appendLine(filePath_, text);
}

} // namespace dravimo
