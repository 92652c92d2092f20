#pragma once
// Faults at random, for long unattended runs (the fault soak): before each
// command the register rolls a die and, about as often as asked, misbehaves
// once in one of these ways:
//
//   silence   the command is ignored (it is not carried out; the retry is)
//   error     the command is refused with DE6 instead of being carried out
//   paper     paper runs out and is loaded again a few seconds later
//   garbage   line noise before the reply
//   split     the reply in two to five pieces
//   delay     the reply up to four seconds late (well inside the 7 s answer window)
//   lost      the command is carried out and its reply lost on the line
//   late      the command is carried out and its reply comes 7.5 to 20 s
//             later: past the answer window, and past a resend's window too
//   decline   a card payment's terminal declines the card (code 05)
//
// Silence, garbage, split and delay are transient: a sound program rides
// them out. Errors, paper out and a declined card are refusals, and a lost
// or late reply leaves the program unsure what the register did: a job may
// fail on them, but must say so, and must never book anything twice. The die is seeded, so a run can be repeated.
// Each fault goes through the register's ordinary scenario lines, so the
// trace shows it like any scripted fault.

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <array>

namespace dravimo::sim {

class EcrSimulator;

class RandomFaults
{
public:
    enum Kind { Silence, Error, Paper, Garbage, Split, Delay, Lost, Late, Decline, KindCount };

    // "random-faults PERCENT [seed N]", "random-faults off", "random-faults
    // show": answers "ok", "error: ..." or the counts.
    QString control(const QStringList &words);

    // Before the register handles `command`: perhaps one fault, armed for it.
    void beforeCommand(const QString &command, EcrSimulator &sim);

    // "commands N, faults M: silence a, error b, ..."
    QString describe() const;

    static QString kindName(int kind);

private:
    void inject(int kind, EcrSimulator &sim);

    double percent_ = 0.0;
    QRandomGenerator random_;
    qint64 commands_ = 0;
    std::array<qint64, KindCount> injected_{};
};

} // namespace dravimo::sim
