#include "api/statuspage.h"

#include "core/clock.h"

namespace dravimo {
namespace {

QString html(const QString &text)
{
    return text.toHtmlEscaped();
}

// What each exit code of a result file tells its host.
QString exitMeaning(int code)
{
    switch (code) {
    case 0: return QStringLiteral("Ολοκληρώθηκε");
    case 1: return QStringLiteral("Δεν ολοκληρώθηκε");
    case 2: return QStringLiteral("Έμεινε ανοιχτή απόδειξη");
    case 3: return QStringLiteral("Απορρίφθηκε γραμμή");
    default: return QStringLiteral("Χωρίς κωδικό");
    }
}

QString yesNo(bool on)
{
    return on ? QStringLiteral("Ναι") : QStringLiteral("Όχι");
}

QString row(const QString &label, const QString &value, const QString &id = {})
{
    return QStringLiteral("<tr><th>") + label + QStringLiteral("</th><td")
        + (id.isEmpty() ? QString() : QStringLiteral(" id=\"") + id + QLatin1Char('"')) + QLatin1Char('>') + value
        + QStringLiteral("</td></tr>\n");
}

QString registerPart(const StatusPageData &d)
{
    const RegisterSnapshot &s = d.register_;
    const bool answering = s.linkUp && s.lastAnswerMs >= 0;
    QString out = QStringLiteral("<h2>Ταμειακή</h2>\n<table class=\"health\">\n");
    out += row(QStringLiteral("Επικοινωνία"),
               answering ? QStringLiteral("<span class=\"ok\">Η ταμειακή απαντά</span>")
                         : QStringLiteral("<span class=\"bad\">Η ταμειακή δεν απαντά</span>"),
               QStringLiteral("answering"));
    out += row(QStringLiteral("Τελευταία απάντηση"),
               s.lastAnswerMs < 0 ? QStringLiteral("—")
                                  : QStringLiteral("πριν από %1 s").arg((d.nowMs - s.lastAnswerMs) / 1000));
    out += row(QStringLiteral("Εκτυπώσεις"), s.printing ? QStringLiteral("Ενεργές") : QStringLiteral("Ανενεργές"),
               QStringLiteral("printing"));
    QString status = QStringLiteral("—");
    if (s.status == 0)
        status = QStringLiteral("Έτοιμη");
    else if (s.status == 1)
        status = QStringLiteral("Ανοιχτή απόδειξη");
    else if (s.status != -99)
        status = html(QString::number(s.status) + QStringLiteral(" ") + s.statusText);
    out += row(QStringLiteral("Κατάσταση"), status);
    out += row(QStringLiteral("Τέλος χαρτιού"), yesNo(s.paperOut));
    out += row(QStringLiteral("Απαιτείται Ζ"), yesNo(s.zDue));
    out += row(QStringLiteral("Ανοιχτό τραπέζι"), s.openTable > 0 ? QString::number(s.openTable) : yesNo(false));
    out += row(QStringLiteral("Ζ, τελευταία απόδειξη"), s.numbers.isEmpty() ? QStringLiteral("—") : html(s.numbers));
    out += row(QStringLiteral("Εργασίες σε αναμονή"), QString::number(d.queued));
    return out + QStringLiteral("</table>\n");
}

QString jobsPart(const std::vector<JobRecord> &jobs)
{
    QString out = QStringLiteral("<h2>Τελευταίες εργασίες</h2>\n");
    if (jobs.empty())
        return out + QStringLiteral("<p id=\"no-jobs\">Καμία εργασία ακόμη.</p>\n");
    out += QStringLiteral("<table class=\"jobs\" id=\"jobs\">\n<tr><th>Ετικέτα</th><th>Ώρα</th><th>Κωδικός</th>"
                          "<th>Σημασία</th><th>Απόδειξη</th><th>Λάθη</th></tr>\n");
    for (const JobRecord &j : jobs) {
        QString errors;
        for (const QString &e : j.errors)
            errors += QStringLiteral("<div>") + html(e) + QStringLiteral("</div>");
        out += QStringLiteral("<tr class=\"exit-%1\"><td>%2</td><td>%3</td><td class=\"code\">%1</td><td>%4</td>"
                              "<td>%5</td><td>%6</td></tr>\n")
                   .arg(QString::number(j.exitCode), html(j.tag), html(formatDateTime(j.ended)),
                        html(exitMeaning(j.exitCode)), html(j.receipt), errors);
    }
    return out + QStringLiteral("</table>\n");
}

} // namespace

QByteArray statusPage(const StatusPageData &d)
{
    QString out =
        QStringLiteral(
            "<!DOCTYPE html>\n<html lang=\"el\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta http-equiv=\"refresh\" content=\"%1\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
            "<title>Dravimo — Κατάσταση</title>\n<style>\n"
            "body{font-family:sans-serif;margin:1.5em;color:#222}\n"
            "table{border-collapse:collapse;margin-bottom:1.5em}\n"
            "th,td{border:1px solid #bbb;padding:.3em .6em;text-align:left;vertical-align:top}\n"
            "table.health th{background:#f0f0f0}\n.ok{color:#176f2c;font-weight:bold}\n"
            ".bad{color:#b00020;font-weight:bold}\ntr.exit-1 td,tr.exit-2 td,tr.exit-3 td{background:#fff3f3}\n"
            "</style>\n</head>\n<body>\n<h1>Dravimo</h1>\n")
            .arg(kStatusPageRefreshSeconds);
    out += registerPart(d);
    out += jobsPart(d.jobs);
    out += QStringLiteral("<p><small>Ανανεώνεται κάθε %1 s.</small></p>\n</body>\n</html>\n")
               .arg(kStatusPageRefreshSeconds);
    return out.toUtf8();
}

} // namespace dravimo
