#include "harness.h"

#include "core/files.h"

namespace dravimo::test {
namespace {

QStringList linesOf(const ResultFile &results)
{
    return splitLines(readTextFile(results.path()).value_or(QString()));
}

} // namespace

SessionHarness::SessionHarness()
{
    results.setPath(dir.filePath(QStringLiteral("Result")));
}

QStringList SessionHarness::resultLines() const
{
    return linesOf(results);
}

ExchangeHarness::ExchangeHarness()
    : log(dir.filePath(kCommLogFile)), unopened(std::make_unique<MemoryTransport>(clock)), line(unopened.get()),
      exchange(clock, notices, log, results, NumberFormat(QLatin1Char('.')), [this](const QString &) {
          return OpenedTransport{std::make_unique<LineHandle>(*line), std::nullopt};
      })
{
    results.setPath(dir.filePath(QStringLiteral("Result")));
    log.setSink(&logLines);
}

QStringList ExchangeHarness::resultLines() const
{
    return linesOf(results);
}

QByteArray eot(const char *text)
{
    return QByteArray(text) + "\r\x04";
}

} // namespace dravimo::test
