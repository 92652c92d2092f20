#pragma once
// What the operator sees of the register traffic: the one place that decides
// when a silent or refusing register gets a box and a caption, and what the
// card terminal's wait looks like. The exchange reports outcomes here and
// shows nothing itself.

#include "ecr/link.h"
#include "ecr/protocol.h"

#include <memory>

namespace dravimo {

class Window;
class WaitDialog;

class ExchangeNotices
{
public:
    explicit ExchangeNotices(Window &window) : window_(window) {}

    // The register did not answer a command in any of its attempts.
    void noAnswer(const QString &text, Quiet quiet);
    // The register refused a command.
    void refused(const ReplyOutcome &outcome);
    // The card terminal is working: the dialog with its running seconds
    // counter, shown. Closing it is the operator's way to stop waiting.
    std::unique_ptr<WaitDialog> cardWait();
    // Lets the window breathe while a wait goes on.
    void letEventsRun();

private:
    Window &window_;
};

} // namespace dravimo
