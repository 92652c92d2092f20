#include "core/shared.h"

#include "core/window.h"

namespace dravimo {
namespace {
Window *g_window = nullptr;
} // namespace

SharedState &shared()
{
    static SharedState state;
    return state;
}

Window &window()
{
    static NullWindow fallback;
    return g_window ? *g_window : fallback;
}

void setWindow(Window *w)
{
    g_window = w;
}

} // namespace dravimo
