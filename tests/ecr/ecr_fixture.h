#pragma once
// The exchange on an in-memory line with everything around it (see
// support/harness.h), and a send() that keeps the last outcome.

#include "harness.h"

#include <gtest/gtest.h>

namespace dravimo::test {

class EcrFixture : public ::testing::Test, public ExchangeHarness
{
protected:
    // Sends through the exchange; the outcome stays in `last`.
    QString send(const QString &command, Quiet quiet = Quiet::No, Seconds cardWait = Seconds{0})
    {
        last = exchange.send(ecrcommand::raw(command), quiet, cardWait);
        return last.reply;
    }
    qint64 nowMs() const { return clock.nowMs(); }

    CommandResult last;
};

} // namespace dravimo::test
