#pragma once
// The metrics in Prometheus's text exposition format (version 0.0.4).

#include "core/metrics.h"

#include <QByteArray>

#include <vector>

namespace dravimo {

inline constexpr char kPrometheusContentType[] = "text/plain; version=0.0.4; charset=utf-8";

QByteArray prometheusText(const std::vector<Metrics::Family> &families);

} // namespace dravimo
