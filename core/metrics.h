#pragma once
// The program's counters, gauges and histograms, for whoever watches many
// registers at once. The job side adds to them as it goes; the HTTP
// interface's thread reads a copy of them all at once. One mutex guards
// everything: an addition is a map look-up, never a wait on anything else.
//
// Each metric is declared once with its help text and, at most, one label
// whose values are few and known (an exit code, a command's kind, a reply's
// outcome): never a tag, a file name or a command's text, which would make
// a new series for every receipt.

#include <QMutex>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

namespace dravimo {

class Metrics
{
public:
    enum class Type { Counter, Gauge, Histogram };

    struct Series
    {
        QString labelValue; // empty for a metric without a label
        double value = 0;   // counter and gauge
        // Histogram: observations at or below each bound (not cumulative),
        // then their count and sum.
        std::vector<quint64> buckets;
        quint64 count = 0;
        double sum = 0;
    };

    struct Family
    {
        QString name;
        QString help;
        Type type = Type::Counter;
        QString labelName;
        std::vector<double> bounds; // histogram bucket upper bounds, ascending
        std::map<QString, Series> series;
    };

    // A counter: `labelName` empty for none; `knownValues` are shown at 0
    // before anything happened, so a rise from nothing is seen as one.
    void declareCounter(const QString &name, const QString &help, const QString &labelName = {},
                        const QStringList &knownValues = {});
    void declareGauge(const QString &name, const QString &help, double initial = 0);
    void declareHistogram(const QString &name, const QString &help, std::vector<double> bounds);

    // Undeclared names are ignored (and stop a debug build): a metric
    // misspelt in a hook must not make up a family of its own.
    void add(const QString &name, const QString &labelValue = {}, double by = 1);
    void set(const QString &name, double value);
    void observe(const QString &name, double value);

    // Every family as it is now, in the order declared.
    std::vector<Family> snapshot() const;

private:
    Family *find(const QString &name);

    mutable QMutex mutex_;
    std::vector<Family> families_;
};

} // namespace dravimo
