#pragma once
// The metrics the program keeps, declared with their help texts and the
// label values known beforehand.

namespace dravimo {

class Metrics;

void declareProgramMetrics(Metrics &metrics);

} // namespace dravimo
