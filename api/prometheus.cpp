#include "api/prometheus.h"

namespace dravimo {
namespace {

// Help text: a backslash and a line end are escaped; a label value also
// escapes its double quote.
QString escaped(QString text, bool quote)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
    if (quote)
        text.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return text;
}

QString number(double v)
{
    return QString::number(v, 'g', 15);
}

const char *typeName(Metrics::Type type)
{
    switch (type) {
    case Metrics::Type::Counter: return "counter";
    case Metrics::Type::Gauge: return "gauge";
    case Metrics::Type::Histogram: return "histogram";
    }
    return "untyped";
}

QString labels(const QString &name, const QString &value)
{
    if (name.isEmpty())
        return {};
    return QLatin1Char('{') + name + QStringLiteral("=\"") + escaped(value, true) + QStringLiteral("\"}");
}

void histogram(QString &out, const Metrics::Family &f, const Metrics::Series &s)
{
    quint64 below = 0;
    for (std::size_t i = 0; i < f.bounds.size(); ++i) {
        below += s.buckets[i];
        out += f.name + QStringLiteral("_bucket{le=\"") + number(f.bounds[i]) + QStringLiteral("\"} ")
            + QString::number(below) + QLatin1Char('\n');
    }
    out += f.name + QStringLiteral("_bucket{le=\"+Inf\"} ") + QString::number(s.count) + QLatin1Char('\n');
    out += f.name + QStringLiteral("_sum ") + number(s.sum) + QLatin1Char('\n');
    out += f.name + QStringLiteral("_count ") + QString::number(s.count) + QLatin1Char('\n');
}

} // namespace

QByteArray prometheusText(const std::vector<Metrics::Family> &families)
{
    QString out;
    for (const Metrics::Family &f : families) {
        out += QStringLiteral("# HELP ") + f.name + QLatin1Char(' ') + escaped(f.help, false) + QLatin1Char('\n');
        out +=
            QStringLiteral("# TYPE ") + f.name + QLatin1Char(' ') + QLatin1String(typeName(f.type)) + QLatin1Char('\n');
        for (const auto &[value, s] : f.series) {
            if (f.type == Metrics::Type::Histogram)
                histogram(out, f, s);
            else
                out += f.name + labels(f.labelName, value) + QLatin1Char(' ') + number(s.value) + QLatin1Char('\n');
        }
    }
    return out.toUtf8();
}

} // namespace dravimo
