#include "sim/trace.h"

#include "core/clock.h"
#include "greek/cp1253.h"

namespace dravimo::sim {

bool Trace::setFile(const QString &path)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return false;
    file_ = std::move(file);
    return true;
}

void Trace::record(Dir dir, const QByteArray &bytes, const QString &note)
{
    Clock &clock = clock_;
    entries_.append(Entry{clock.nowMs(), clock.wallNow(), dir, bytes, note});
    if (file_) {
        file_->write((format(entries_.back()) + QLatin1Char('\n')).toUtf8());
        file_->flush();
    }
}

QString Trace::text() const
{
    QString all;
    for (const Entry &e : entries_)
        all += format(e) + QLatin1Char('\n');
    return all;
}

QString Trace::format(const Entry &e)
{
    static const char *const words[] = {"cmd  ", "reply", "async", "note "};
    QString line = QStringLiteral("%1 %2 ms  %3  %4")
                       .arg(e.wall.toString(QStringLiteral("HH:mm:ss.zzz")))
                       .arg(e.ms, 8)
                       .arg(QLatin1String(words[int(e.dir)]), visible(e.bytes));
    if (!e.note.isEmpty())
        line += (e.bytes.isEmpty() ? QString() : QStringLiteral("  ")) + QLatin1Char('(') + e.note + QLatin1Char(')');
    return line;
}

QString Trace::visible(const QByteArray &bytes)
{
    QString out;
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        if (b == '\r')
            out += QStringLiteral("<CR>");
        else if (b == '\n')
            out += QStringLiteral("<LF>");
        else if (b == 0x04)
            out += QStringLiteral("<EOT>");
        else if (const QChar c = cp1253::fromByte(b); c.category() == QChar::Other_Control)
            out += QStringLiteral("<%1>").arg(b, 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

} // namespace dravimo::sim
