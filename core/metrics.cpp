#include "core/metrics.h"

#include <QMutexLocker>

#include <algorithm>

namespace dravimo {

void Metrics::declareCounter(const QString &name, const QString &help, const QString &labelName,
                             const QStringList &knownValues)
{
    QMutexLocker lock(&mutex_);
    Family f{name, help, Type::Counter, labelName, {}, {}};
    if (labelName.isEmpty())
        f.series[QString()] = Series{};
    for (const QString &v : knownValues)
        f.series[v].labelValue = v;
    families_.push_back(std::move(f));
}

void Metrics::declareGauge(const QString &name, const QString &help, double initial)
{
    QMutexLocker lock(&mutex_);
    Family f{name, help, Type::Gauge, {}, {}, {}};
    f.series[QString()].value = initial;
    families_.push_back(std::move(f));
}

void Metrics::declareHistogram(const QString &name, const QString &help, std::vector<double> bounds)
{
    QMutexLocker lock(&mutex_);
    std::sort(bounds.begin(), bounds.end());
    Family f{name, help, Type::Histogram, {}, std::move(bounds), {}};
    Series s;
    s.buckets.assign(f.bounds.size(), 0);
    f.series[QString()] = s;
    families_.push_back(std::move(f));
}

Metrics::Family *Metrics::find(const QString &name)
{
    for (Family &f : families_) {
        if (f.name == name)
            return &f;
    }
    Q_ASSERT_X(false, "Metrics", "a metric used before it was declared");
    return nullptr;
}

void Metrics::add(const QString &name, const QString &labelValue, double by)
{
    QMutexLocker lock(&mutex_);
    Family *f = find(name);
    if (!f || f->type != Type::Counter || by < 0)
        return;
    Series &s = f->series[f->labelName.isEmpty() ? QString() : labelValue];
    s.labelValue = f->labelName.isEmpty() ? QString() : labelValue;
    s.value += by;
}

void Metrics::set(const QString &name, double value)
{
    QMutexLocker lock(&mutex_);
    Family *f = find(name);
    if (f && f->type == Type::Gauge)
        f->series[QString()].value = value;
}

void Metrics::observe(const QString &name, double value)
{
    QMutexLocker lock(&mutex_);
    Family *f = find(name);
    if (!f || f->type != Type::Histogram)
        return;
    Series &s = f->series[QString()];
    const auto at = std::lower_bound(f->bounds.begin(), f->bounds.end(), value);
    if (at != f->bounds.end())
        ++s.buckets[std::size_t(at - f->bounds.begin())];
    ++s.count;
    s.sum += value;
}

std::vector<Metrics::Family> Metrics::snapshot() const
{
    QMutexLocker lock(&mutex_);
    return families_;
}

} // namespace dravimo
