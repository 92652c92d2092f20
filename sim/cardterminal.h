#pragma once
// The card terminal behind the register. A card command is answered by the
// register at once; the terminal's outcome follows later as a second,
// unsolicited reply. Outcomes are scripted per attempt: a queue that card
// commands take from in order, and a default for when the queue is empty.

#include "sim/ecrregister.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace dravimo::sim {

struct CardOutcome
{
    enum class Kind {
        Approved358,  // approved, with the transaction data
        Approved355,  // approved, same data under the other acknowledgement
        Approved356,  // approved, no data
        CntFail,      // the register could not reach the terminal
        TerminalCode, // ":" + the terminal's response code ("05", "999"...)
        None,         // the terminal never answers
        Raw,          // exactly the given bytes
    };
    Kind kind = Kind::Approved358;
    QString text;                  // TerminalCode: the code; Raw: the whole reply
    std::optional<qint64> delayMs; // this attempt's delay; the terminal's default when unset

    bool approves() const;
};

class CardTerminal
{
public:
    // 2 seconds: about what a customer takes to present a card.
    static constexpr qint64 kDefaultDelayMs = 2000;

    void queue(const CardOutcome &outcome, int times = 1);
    void setDefault(const CardOutcome &outcome) { default_ = outcome; }
    void setDelay(qint64 ms) { delayMs_ = ms; }
    void clearQueue() { queue_.clear(); }
    int queued() const { return int(queue_.size()); }

    // The outcome for the next attempt.
    CardOutcome next();
    qint64 delayOf(const CardOutcome &outcome) const { return outcome.delayMs.value_or(delayMs_); }

    // The terminal's reply text (without the CR and EOT that end it).
    static QString replyText(const CardOutcome &outcome, const CardRequest &request, const QDateTime &when);

private:
    QList<CardOutcome> queue_;
    CardOutcome default_;
    qint64 delayMs_ = kDefaultDelayMs;
};

// Reads an outcome word: "358", "355", "356", "cntfail", "none", "code" + value,
// "raw" + text. Returns nothing for an unknown word.
std::optional<CardOutcome> cardOutcomeFromWords(const QString &word, const QString &argument);

} // namespace dravimo::sim
