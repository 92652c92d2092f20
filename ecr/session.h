#pragma once
// What every part that drives the register is handed: the link, the window for
// what the operator must see, the clock for its pauses, the current result
// file, and the number format register replies are read with.

#include "core/numbers.h"

namespace dravimo {

class Clock;
class EcrLink;
class ResultFile;
class WaitLimit;
class Window;

struct EcrSession
{
    EcrLink &link;
    Window &window;
    Clock &clock;
    ResultFile &results;
    NumberFormat numbers;
    // How long a register error may hold a wait that nobody watches; null
    // (or unbounded) when an operator is there to end it.
    const WaitLimit *waitLimit = nullptr;
};

} // namespace dravimo
