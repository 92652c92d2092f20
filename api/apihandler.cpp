#include "api/apihandler.h"

#include "api/jsonreceipt.h"
#include "api/outcome.h"
#include "api/prometheus.h"
#include "api/statuspage.h"
#include "control/submittedjobs.h"
#include "core/clock.h"
#include "greek/cp1253.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>

namespace dravimo {
namespace {

constexpr int kMaxKeyLength = 64;

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

ApiResponse jsonAnswer(int status, const QJsonObject &object)
{
    ApiResponse r;
    r.status = status;
    r.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    r.body = json(object);
    return r;
}

// Compares without telling by its time how much of the token was right.
bool sameSecret(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

bool validKey(const QByteArray &key)
{
    if (key.isEmpty() || key.size() > kMaxKeyLength)
        return false;
    for (const char c : key) {
        if (c < 0x20 || c > 0x7e)
            return false;
    }
    return true;
}

const char *stateName(SubmittedJob::State state)
{
    switch (state) {
    case SubmittedJob::State::Queued: return "queued";
    case SubmittedJob::State::Running: return "running";
    case SubmittedJob::State::Done: return "done";
    case SubmittedJob::State::Quarantined: return "quarantined";
    }
    return "queued";
}

// The reports a host may ask for, as the one line of a print file that runs
// each: the daily Z through the "MKZ" line (the same report the menu runs),
// the others as the register's own commands.
QByteArray reportLine(const QString &report)
{
    if (report == QLatin1String("x"))
        return " snd  0T1\r\n";
    if (report == QLatin1String("z"))
        return " MKZ\r\n";
    if (report == QLatin1String("period-x"))
        return " snd  5T1\r\n";
    if (report == QLatin1String("period-z"))
        return " snd  521T1\r\n";
    return {};
}

// A text for the register: every character must have its place in
// Windows-1253, or the receipt would print something the host never sent.
std::optional<QString> unrepresentable(const QString &text)
{
    for (const QChar c : text) {
        if (!cp1253::representable(c))
            return QStringLiteral("the character U+%1 has no place in Windows-1253")
                .arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return std::nullopt;
}

} // namespace

ApiResponse errorAnswer(int status, const QString &code, const QString &message)
{
    return jsonAnswer(status, {{QStringLiteral("code"), code}, {QStringLiteral("message"), message}});
}

QByteArray ApiRequest::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

std::optional<HttpSettings> readHttpSettings(const QString &listen, const QString &tokenFile, QString &why)
{
    static const QRegularExpression form(QStringLiteral(R"(^(\[([0-9A-Fa-f:.]+)\]|([0-9.]+|localhost)):(\d{1,5})$)"));
    const auto m = form.match(listen.trimmed());
    HttpSettings s;
    const QString host = m.captured(2).isEmpty() ? m.captured(3) : m.captured(2);
    const int port = m.captured(4).toInt();
    if (!m.hasMatch() || port < 1 || port > 65535
        || !s.address.setAddress(host == QLatin1String("localhost") ? QStringLiteral("127.0.0.1") : host)) {
        why = QStringLiteral("DRAVIMO_HTTP=%1: expected ADDRESS:PORT, such as 127.0.0.1:8787").arg(listen);
        return std::nullopt;
    }
    s.port = static_cast<quint16>(port);
    const QString portText = QString::number(port);
    s.hosts.append(m.captured(1) + QLatin1Char(':') + portText);
    if (s.address.isLoopback()) {
        s.hosts.append(QStringLiteral("localhost:") + portText);
        s.hosts.append(QStringLiteral("127.0.0.1:") + portText);
        s.hosts.append(QStringLiteral("[::1]:") + portText);
    }
    s.hosts.removeDuplicates();
    if (!tokenFile.isEmpty() && QFile::exists(tokenFile)) {
        QFile f(tokenFile);
        if (!f.open(QIODevice::ReadOnly)) {
            why = QStringLiteral("DRAVIMO_HTTP_TOKEN_FILE=%1 cannot be read: %2").arg(tokenFile, f.errorString());
            return std::nullopt;
        }
        s.token = f.read(4096).trimmed();
        if (s.token.isEmpty()) {
            why = QStringLiteral("DRAVIMO_HTTP_TOKEN_FILE=%1 is empty").arg(tokenFile);
            return std::nullopt;
        }
    }
    if (s.token.isEmpty() && !s.address.isLoopback()) {
        why = QStringLiteral("DRAVIMO_HTTP=%1 is not a loopback address: the interface needs a bearer token, "
                             "and DRAVIMO_HTTP_TOKEN_FILE names no file that holds one")
                  .arg(listen);
        return std::nullopt;
    }
    return s;
}

ApiHandler::ApiHandler(SubmittedJobs &jobs, Clock &clock, HttpSettings settings)
    : jobs_(jobs), clock_(clock), settings_(std::move(settings))
{}

// The Host header first (a page of another site that reached the interface
// through a name of its own), then the token.
std::optional<ApiResponse> ApiHandler::refused(const ApiRequest &request) const
{
    const QString host = QString::fromLatin1(request.header("Host")).toLower();
    if (!settings_.hosts.contains(host, Qt::CaseInsensitive))
        return errorAnswer(421, QStringLiteral("wrong-host"),
                           QStringLiteral("the Host header must name the address the interface listens on: ")
                               + settings_.hosts.join(QStringLiteral(", ")));
    if (settings_.token.isEmpty())
        return std::nullopt;
    const QByteArray given = request.header("Authorization");
    if (!given.startsWith("Bearer ") || !sameSecret(given.mid(7).trimmed(), settings_.token)) {
        ApiResponse r = errorAnswer(401, QStringLiteral("unauthorized"),
                                    QStringLiteral("a bearer token is required: Authorization: Bearer <token>"));
        r.headers.append(qMakePair(QByteArray("WWW-Authenticate"), QByteArray("Bearer")));
        return r;
    }
    return std::nullopt;
}

ApiResponse ApiHandler::handle(const ApiRequest &request) const
{
    if (auto r = refused(request))
        return *r;
    if (auto r = watched(request))
        return *r;
    const QStringList parts = request.path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const bool get = request.method == "GET";
    const bool post = request.method == "POST";
    if (parts.size() < 2 || parts[0] != QLatin1String("v1"))
        return errorAnswer(404, QStringLiteral("not-found"), QStringLiteral("no such resource: ") + request.path);
    if (parts.size() == 2 && parts[1] == QLatin1String("jobs") && post)
        return submitJob(request);
    if (parts.size() == 3 && parts[1] == QLatin1String("jobs") && get) {
        if (!jobs_.job(parts[2]))
            return errorAnswer(404, QStringLiteral("no-such-job"), QStringLiteral("no job ") + parts[2]);
        return answerJob(parts[2], false, 200);
    }
    if (parts.size() == 2 && parts[1] == QLatin1String("register") && get)
        return registerHealth();
    if (parts.size() == 3 && parts[1] == QLatin1String("reports") && post && !reportLine(parts[2]).isEmpty())
        return submitReport(request, parts[2]);
    const bool known =
        (parts.size() == 2 && (parts[1] == QLatin1String("jobs") || parts[1] == QLatin1String("register")))
        || (parts.size() == 3 && (parts[1] == QLatin1String("jobs") || !reportLine(parts[2]).isEmpty()));
    if (known)
        return errorAnswer(405, QStringLiteral("method-not-allowed"),
                           QString::fromLatin1(request.method) + QStringLiteral(" is not allowed on ") + request.path);
    return errorAnswer(404, QStringLiteral("not-found"), QStringLiteral("no such resource: ") + request.path);
}

// The body as the print file the job runs: Windows-1253 as sent, or UTF-8
// turned into it. Anything else would put characters on a receipt that the
// host never meant.
ApiResponse ApiHandler::submitJob(const ApiRequest &request) const
{
    if (request.body.size() > kMaxBody)
        return errorAnswer(413, QStringLiteral("too-large"),
                           QStringLiteral("the body is larger than %1 bytes").arg(kMaxBody));
    const QByteArray type = request.header("Content-Type").toLower();
    const QList<QByteArray> params = type.split(';');
    const QByteArray media = params.value(0).trimmed();
    QByteArray charset;
    for (const QByteArray &p : params.mid(1)) {
        const QByteArray t = p.trimmed();
        if (t.startsWith("charset="))
            charset = t.mid(8).trimmed().replace('"', "");
    }
    QByteArray printFile;
    if (media == "application/json") {
        if (!charset.isEmpty() && charset != "utf-8" && charset != "utf8")
            return errorAnswer(415, QStringLiteral("wrong-charset"), QStringLiteral("JSON is sent as UTF-8"));
        const JsonReceipt receipt = printFileFromJson(request.body);
        if (!receipt.error.isEmpty())
            return errorAnswer(400, receipt.code, receipt.error);
        if (const auto why = unrepresentable(receipt.printFile))
            return errorAnswer(422, QStringLiteral("wrong-charset"), *why);
        return submit(request, cp1253::encode(receipt.printFile));
    }
    if (media != "text/plain")
        return errorAnswer(415, QStringLiteral("unsupported-media-type"),
                           QStringLiteral("a print file is sent as text/plain; charset=windows-1253 or utf-8, "
                                          "a receipt as application/json"));
    if (charset == "windows-1253" || charset == "cp1253") {
        printFile = request.body;
    } else if (charset == "utf-8" || charset == "utf8") {
        QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decode(request.body);
        if (decode.hasError())
            return errorAnswer(415, QStringLiteral("wrong-charset"), QStringLiteral("the body is not valid UTF-8"));
        if (const auto why = unrepresentable(text))
            return errorAnswer(422, QStringLiteral("wrong-charset"), *why);
        printFile = cp1253::encode(text);
    } else {
        return errorAnswer(415, QStringLiteral("wrong-charset"),
                           QStringLiteral("the Content-Type must name charset=windows-1253 or charset=utf-8"));
    }
    if (printFile.trimmed().isEmpty())
        return errorAnswer(400, QStringLiteral("empty-body"), QStringLiteral("the print file is empty"));
    if (!printFile.endsWith("\r\n"))
        printFile += "\r\n";
    return submit(request, printFile);
}

ApiResponse ApiHandler::submitReport(const ApiRequest &request, const QString &report) const
{
    return submit(request, reportLine(report));
}

ApiResponse ApiHandler::submit(const ApiRequest &request, const QByteArray &printFile) const
{
    // The job's print file gains a first line naming its result file; with
    // it, it must still be read as a print file (1 MB at most by default), not
    // put aside as too large.
    if (printFile.size() > kMaxBody - 64)
        return errorAnswer(413, QStringLiteral("too-large"),
                           QStringLiteral("the print file is larger than %1 bytes").arg(kMaxBody - 64));
    const QByteArray key = request.header("Idempotency-Key");
    if (!validKey(key))
        return errorAnswer(
            400, QStringLiteral("bad-idempotency-key"),
            QStringLiteral("an Idempotency-Key header of 1 to 64 printable ASCII characters is required"));
    std::optional<int> waitSeconds;
    if (request.query.hasQueryItem(QStringLiteral("wait"))) {
        bool ok = false;
        const int n = request.query.queryItemValue(QStringLiteral("wait")).toInt(&ok);
        if (!ok || n < 0 || n > kMaxWaitSeconds)
            return errorAnswer(400, QStringLiteral("bad-wait"),
                               QStringLiteral("wait is a number of seconds from 0 to %1").arg(kMaxWaitSeconds));
        waitSeconds = n;
    }
    // The request's path and body together: the same key for a report and
    // for a receipt is another request.
    const QByteArray fingerprint =
        QCryptographicHash::hash(request.path.toUtf8() + '\n' + request.body, QCryptographicHash::Sha256).toHex();
    const auto s = jobs_.submit(QString::fromLatin1(key), fingerprint, printFile, clock_.wallNow().toMSecsSinceEpoch());
    switch (s.result) {
    case SubmittedJobs::Submission::KeyConflict:
        return errorAnswer(409, QStringLiteral("key-reused"),
                           QStringLiteral("this Idempotency-Key was used for another request (job %1)").arg(s.job.id));
    case SubmittedJobs::Submission::QueueFull: {
        ApiResponse r = errorAnswer(429, QStringLiteral("too-many-jobs"),
                                    QStringLiteral("too many jobs are waiting for the register"));
        r.headers.append(qMakePair(QByteArray("Retry-After"), QByteArray("5")));
        return r;
    }
    case SubmittedJobs::Submission::Unwritable: return errorAnswer(503, QStringLiteral("unwritable"), s.why);
    case SubmittedJobs::Submission::Accepted:
    case SubmittedJobs::Submission::Replayed: break;
    }
    const bool replayed = s.result == SubmittedJobs::Submission::Replayed;
    ApiResponse r = answerJob(s.job.id, replayed, 202);
    if (waitSeconds && *waitSeconds > 0 && !ended(s.job.id)) {
        r.waitFor = s.job.id;
        r.waitUntilMs = clock_.nowMs() + *waitSeconds * 1000LL;
    }
    return r;
}

bool ApiHandler::ended(const QString &id) const
{
    const auto job = jobs_.job(id);
    return !job || job->state == SubmittedJob::State::Done || job->state == SubmittedJob::State::Quarantined;
}

ApiResponse ApiHandler::answerJob(const QString &id, bool replayed, int pending) const
{
    const auto job = jobs_.job(id);
    if (!job)
        return errorAnswer(404, QStringLiteral("no-such-job"), QStringLiteral("no job ") + id);
    QJsonObject o{{QStringLiteral("id"), id},
                  {QStringLiteral("url"), QStringLiteral("/v1/jobs/") + id},
                  {QStringLiteral("state"), QString::fromLatin1(stateName(job->state))}};
    if (job->state == SubmittedJob::State::Running)
        o.insert(QStringLiteral("line"), job->line);
    const bool over = job->state == SubmittedJob::State::Done || job->state == SubmittedJob::State::Quarantined;
    if (over) {
        const QStringList lines = jobs_.resultLines(id);
        o.insert(QStringLiteral("outcome"), outcomeJson(lines));
        o.insert(QStringLiteral("result"), QJsonArray::fromStringList(lines));
    }
    ApiResponse r = jsonAnswer(over ? 200 : pending, o);
    r.headers.append(qMakePair(QByteArray("Location"), QByteArray("/v1/jobs/" + id.toLatin1())));
    if (replayed) {
        r.headers.append(qMakePair(QByteArray("Idempotency-Replayed"), QByteArray("true")));
        r.replayed = true;
    }
    return r;
}

ApiResponse ApiHandler::registerHealth() const
{
    const RegisterSnapshot s = jobs_.registerSnapshot();
    QJsonObject o{{QStringLiteral("printing"), s.printing},
                  {QStringLiteral("queued"), jobs_.queued()},
                  {QStringLiteral("runningJob"), s.runningJob.isEmpty() ? QJsonValue() : QJsonValue(s.runningJob)}};
    if (s.lastAnswerMs >= 0) {
        o.insert(QStringLiteral("secondsSinceLastAnswer"), (clock_.nowMs() - s.lastAnswerMs) / 1000.0);
        o.insert(QStringLiteral("lastReply"), s.lastReply);
    } else {
        o.insert(QStringLiteral("secondsSinceLastAnswer"), QJsonValue());
    }
    o.insert(QStringLiteral("link"), s.linkUp ? QStringLiteral("up") : QStringLiteral("down"));
    o.insert(QStringLiteral("status"), registerStatusJson(s.status, s.statusText));
    o.insert(QStringLiteral("receiptOpen"), s.status == 1);
    o.insert(QStringLiteral("tableOpen"), s.openTable > 0 ? QJsonValue(s.openTable) : QJsonValue());
    o.insert(QStringLiteral("paperOut"), s.paperOut);
    o.insert(QStringLiteral("zDue"), s.zDue);
    if (!s.lastCommand.isEmpty())
        o.insert(QStringLiteral("lastCommand"),
                 QJsonObject{{QStringLiteral("command"), s.lastCommand}, {QStringLiteral("code"), s.lastCode}});
    if (!s.numbers.isEmpty())
        o.insert(QStringLiteral("numbers"), receiptNumbersJson(s.numbers));
    return jsonAnswer(200, o);
}

// "/metrics" and the status page: read-only, behind the same Host and token
// rules as the jobs.
std::optional<ApiResponse> ApiHandler::watched(const ApiRequest &request) const
{
    const bool metrics = request.path == QLatin1String("/metrics") && metrics_;
    const bool page = request.path == QLatin1String("/") && recent_;
    if (!metrics && !page)
        return std::nullopt;
    if (request.method != "GET")
        return errorAnswer(405, QStringLiteral("method-not-allowed"),
                           QString::fromLatin1(request.method) + QStringLiteral(" is not allowed on ") + request.path);
    ApiResponse r;
    if (metrics) {
        r.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray(kPrometheusContentType)));
        r.body = prometheusText(metrics_->snapshot());
    } else {
        r.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/html; charset=utf-8")));
        // The page loads nothing and runs nothing, and no other site may
        // frame it.
        r.headers.append(
            qMakePair(QByteArray("Content-Security-Policy"),
                      QByteArray("default-src 'none'; style-src 'unsafe-inline'; frame-ancestors 'none'")));
        r.body = statusPage({jobs_.registerSnapshot(), recent_->newestFirst(), jobs_.queued(), clock_.nowMs()});
    }
    r.headers.append(qMakePair(QByteArray("Cache-Control"), QByteArray("no-store")));
    return r;
}

} // namespace dravimo
