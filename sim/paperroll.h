#pragma once
// The register's paper: what it printed, line by line, as readable text.
//
// The printer is 28 characters wide, like the register's text lines. Texts that
// came over the wire are in the register's own character set and are read back
// as Greek before they are laid out, so the roll shows what a customer would
// read on the slip.

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace dravimo::sim {

inline constexpr int kPaperWidth = 28;

class PaperRoll
{
public:
    using Sink = std::function<void(const QString &line)>;

    // Every printed line is also handed to each sink (roll file, stdout).
    void addSink(Sink sink) { sinks_.push_back(std::move(sink)); }

    void print(const QString &line);
    // Left text and right-aligned value on one line; when both do not fit, the
    // text gets a line of its own and the value goes right-aligned below it.
    void printPair(const QString &left, const QString &right);
    void printCentered(const QString &text);
    void printRule(QChar c = QLatin1Char('-'));

    const QStringList &lines() const { return lines_; }
    QString text() const;
    void clear() { lines_.clear(); }

    // The register's character set read back as Greek.
    static QString readable(const QString &ecrText);

private:
    QStringList lines_;
    std::vector<Sink> sinks_;
};

} // namespace dravimo::sim
