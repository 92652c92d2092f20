#pragma once
// A record of everything that crossed the line: each command, each reply (and
// when it left), each asynchronous terminal outcome, with time stamps. Kept in
// memory for tests and the control channel, and written to a file on request.

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <memory>

namespace dravimo {
class Clock;
}

namespace dravimo::sim {

class Trace
{
public:
    explicit Trace(Clock &clock) : clock_(clock) {}

    enum class Dir { Command, Reply, Async, Note };
    struct Entry
    {
        qint64 ms = 0;  // program time (the clock)
        QDateTime wall; // time of day
        Dir dir = Dir::Note;
        QByteArray bytes;
        QString note;
    };

    // Appends every further entry to the file, one line each (UTF-8).
    bool setFile(const QString &path);
    void record(Dir dir, const QByteArray &bytes, const QString &note = QString());
    const QList<Entry> &entries() const { return entries_; }
    QString text() const;

    static QString format(const Entry &entry);
    // Bytes as Windows-1253 text with control characters shown: <CR>, <LF>,
    // <EOT>, other ones (the code page's unassigned bytes too, which the
    // register's character set uses for Π and Ω) as <xx> in hex.
    static QString visible(const QByteArray &bytes);

private:
    Clock &clock_;
    QList<Entry> entries_;
    std::unique_ptr<QFile> file_;
};

} // namespace dravimo::sim
