#pragma once
// The progress indicator the translator drives while it reads a print file.
// Every value set lets pending window events run once, which keeps the window
// responsive during long jobs (and is why timer ticks can arrive mid-job).

#include <QtGlobal>

namespace dravimo {

class Window;

class ProgressIndicator
{
public:
    explicit ProgressIndicator(Window &window) : window_(window) {}

    qint16 value() const { return value_; }
    qint16 maximum() const { return max_; }
    void setMaximum(qint16 max) { max_ = max; }
    // Below 1 shows "-"; otherwise " Ολοκληρώθηκε το " + percentage + "%".
    // With a maximum of 0 the label keeps its previous text.
    void setValue(qint16 value);

private:
    Window &window_;
    qint16 value_ = 0;
    qint16 max_ = 0;
};

} // namespace dravimo
