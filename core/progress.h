#pragma once
// The progress indicator the translator drives while it reads a print file.
// Every value set lets pending window events run once, which keeps the window
// responsive during long jobs (and is why timer ticks can arrive mid-job).

#include <QtGlobal>

namespace dravimo {

class CLSiND
{
public:
    qint16 Value() const { return value_; }
    qint16 Max() const { return max_; }
    void setMax(qint16 max) { max_ = max; }
    // Below 1 shows "-"; otherwise " Ολοκληρώθηκε το " + percentage + "%".
    // With Max 0 the label keeps its previous text.
    void setValue(qint16 value);

private:
    qint16 value_ = 0;
    qint16 max_ = 0;
};

// The main window's one progress indicator.
CLSiND &progress();

} // namespace dravimo
