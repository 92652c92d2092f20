#include "control/jobfiles.h"

#include "core/files.h"

#include "journal/printjobfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace dravimo {

bool isReadyFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.size() > 0 && printFileAccess(path, true).state == PrintFileAccess::Free;
}

ReadAccess readAccess(const QString &path)
{
    return printFileAccess(path, false);
}

bool isProgrammingFile(const QString &path, bool multiFile)
{
    const QString tail = path.right(5);
    return multiFile ? tail == QLatin1String("prg.1") : tail.toUpper() == QLatin1String("PRG.1");
}

QString findNumberedPrintFile(const QString &stem)
{
    constexpr int kHighestNumber = 10;
    for (int n = 1; n <= kHighestNumber; ++n) {
        QString candidate = stem + QLatin1Char('.') + QString::number(n);
        if (isReadyFile(candidate))
            return candidate;
    }
    return {};
}

QString findWildcardPrintFile(const QString &location, const QString &pattern)
{
    const QFileInfo full(location + pattern);
    const QDir folder = location.isEmpty() ? QDir::current() : full.dir();
    const QStringList names = folder.entryList({full.fileName()}, QDir::Files | QDir::Hidden, QDir::Name);
    if (names.isEmpty())
        return {};
    return location + names.first();
}

void writeReceiptFile(qint16 counter)
{
    writeTextFile(kReceiptFile, QString::number(counter) + QStringLiteral("\r\n"));
}

} // namespace dravimo
