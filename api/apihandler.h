#pragma once
// The local HTTP interface's requests and answers, free of any HTTP server:
// one request in (method, path, query, headers, body), one answer out. The
// server (api/httpserver.cpp) only carries bytes to and from here, so every
// rule of the interface (the token, the Host header, the key, the body's
// size and charset, the queue's limit) is tested without a socket.
//
// Everything is answered from what the job side published in SubmittedJobs;
// nothing here sends a command to the register or waits on it.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrlQuery>

#include <optional>

namespace dravimo {

class Clock;
class Metrics;
class RecentJobs;
class SubmittedJobs;
struct SubmittedJob;

// Where the interface listens and what it asks of a caller.
struct HttpSettings
{
    QHostAddress address;
    quint16 port = 0;
    // Empty: no token asked for (only on a loopback address).
    QByteArray token;
    // What a Host header may say: the address as given, with its port.
    QStringList hosts;
};

// DRAVIMO_HTTP ("ADDRESS:PORT", "[IPv6]:PORT") and DRAVIMO_HTTP_TOKEN_FILE
// read into settings; nothing, with why, when the interface must not start:
// an address or port that does not read, a token file that cannot be read or
// is empty, or an address other than loopback without a token.
std::optional<HttpSettings> readHttpSettings(const QString &listen, const QString &tokenFile, QString &why);

struct ApiRequest
{
    QByteArray method;
    QString path;
    QUrlQuery query;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // The value of the first header of this name (any case), empty when none.
    QByteArray header(const QByteArray &name) const;
};

struct ApiResponse
{
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // The job to wait for before answering, and until when (program ms):
    // the server holds the answer and asks answerJob() again once the job
    // has ended or the time is up.
    QString waitFor;
    qint64 waitUntilMs = -1;
    bool replayed = false;
};

class ApiHandler
{
public:
    static constexpr qint64 kMaxBody = 1024 * 1024;
    static constexpr int kMaxWaitSeconds = 120;

    ApiHandler(SubmittedJobs &jobs, Clock &clock, HttpSettings settings);

    // What "/metrics" and the status page "/" show; without them both are
    // 404 like any unknown path.
    void setWatched(const Metrics *metrics, const RecentJobs *recent)
    {
        metrics_ = metrics;
        recent_ = recent;
    }

    ApiResponse handle(const ApiRequest &request) const;
    // A job's answer: 200 once it has ended, else `pending` (202 for a job
    // just accepted).
    ApiResponse answerJob(const QString &id, bool replayed, int pending = 202) const;
    // Whether a held answer may go now.
    bool ended(const QString &id) const;

private:
    std::optional<ApiResponse> refused(const ApiRequest &request) const;
    ApiResponse submitJob(const ApiRequest &request) const;
    ApiResponse submitReport(const ApiRequest &request, const QString &report) const;
    ApiResponse submit(const ApiRequest &request, const QByteArray &printFile) const;
    ApiResponse registerHealth() const;
    std::optional<ApiResponse> watched(const ApiRequest &request) const;

    SubmittedJobs &jobs_;
    Clock &clock_;
    HttpSettings settings_;
    const Metrics *metrics_ = nullptr;
    const RecentJobs *recent_ = nullptr;
};

// A JSON error answer: {"code": code, "message": message}.
ApiResponse errorAnswer(int status, const QString &code, const QString &message);

} // namespace dravimo
