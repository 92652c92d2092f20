// The one place that uses Qt's HTTP server module (a technology preview in
// the Qt that Debian 12 ships): requests in, ApiHandler answers out.

#include "api/httpinterface.h"

#include "core/clock.h"

#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QPointer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <list>

namespace dravimo {
namespace {

QByteArray methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get: return "GET";
    case QHttpServerRequest::Method::Post: return "POST";
    case QHttpServerRequest::Method::Put: return "PUT";
    case QHttpServerRequest::Method::Delete: return "DELETE";
    case QHttpServerRequest::Method::Head: return "HEAD";
    case QHttpServerRequest::Method::Options: return "OPTIONS";
    case QHttpServerRequest::Method::Patch: return "PATCH";
    default: return "OTHER";
    }
}

void send(QHttpServerResponder &responder, const ApiResponse &answer)
{
    responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(answer.status));
    for (const auto &[name, value] : answer.headers)
        responder.writeHeader(name, value);
    responder.writeHeader("Content-Length", QByteArray::number(answer.body.size()));
    responder.writeBody(answer.body);
}

// An answer held until its job ends (?wait=N). The client may give up
// first: its connection is then closed and the server deletes the socket, so
// the answer is written only while the socket is still there.
struct Held
{
    Held(QHttpServerResponder &&r, ApiResponse a) : socket(r.socket()), responder(std::move(r)), answer(std::move(a)) {}
    QPointer<QTcpSocket> socket;
    QHttpServerResponder responder;
    ApiResponse answer;
};

} // namespace

struct HttpInterface::Server
{
    Server(ApiHandler &h, Clock &c, HttpSettings s) : handler(h), clock(c), settings(std::move(s)) {}

    ApiHandler &handler;
    Clock &clock;
    HttpSettings settings;
    QThread thread;
    // Lives on the thread: the server, its held answers and their timer.
    QObject *home = nullptr;
    QHttpServer *http = nullptr;
    QTimer *timer = nullptr;
    std::list<Held> held;

    void serve(const QHttpServerRequest &request, QHttpServerResponder &&responder)
    {
        ApiRequest r{methodName(request.method()), request.url().path(), request.query(), request.headers(),
                     request.body()};
        ApiResponse answer = handler.handle(r);
        if (answer.waitFor.isEmpty()) {
            send(responder, answer);
            return;
        }
        held.emplace_back(std::move(responder), std::move(answer));
    }

    // Answers every held request whose job has ended or whose time is up.
    void answerHeld()
    {
        const qint64 now = clock.nowMs();
        for (auto it = held.begin(); it != held.end();) {
            if (!handler.ended(it->answer.waitFor) && now < it->answer.waitUntilMs) {
                ++it;
                continue;
            }
            if (it->socket && it->socket->state() == QAbstractSocket::ConnectedState)
                send(it->responder, handler.answerJob(it->answer.waitFor, it->answer.replayed, 202));
            it = held.erase(it);
        }
    }
};

HttpInterface::HttpInterface(ApiHandler &handler, Clock &clock, HttpSettings settings)
    : server_(std::make_unique<Server>(handler, clock, std::move(settings)))
{}

HttpInterface::~HttpInterface()
{
    Server &s = *server_;
    if (!s.thread.isRunning())
        return;
    QMetaObject::invokeMethod(
        s.home,
        [&s] {
            s.held.clear();
            delete s.home;
            s.home = nullptr;
        },
        Qt::BlockingQueuedConnection);
    s.thread.quit();
    s.thread.wait();
}

bool HttpInterface::start(QString &why)
{
    Server &s = *server_;
    s.thread.setObjectName(QStringLiteral("http"));
    s.thread.start();
    s.home = new QObject;
    s.home->moveToThread(&s.thread);
    bool listening = false;
    QMetaObject::invokeMethod(
        s.home,
        [&s, &listening, &why] {
            s.http = new QHttpServer(s.home);
            s.http->setMissingHandler([&s](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
                s.serve(request, std::move(responder));
            });
            listening = s.http->listen(s.settings.address, s.settings.port) != 0;
            if (!listening) {
                why = QStringLiteral("the HTTP interface cannot listen on %1:%2")
                          .arg(s.settings.address.toString())
                          .arg(s.settings.port);
                return;
            }
            s.timer = new QTimer(s.home);
            s.timer->setInterval(s.clock.realMs(Millis(100)));
            QObject::connect(s.timer, &QTimer::timeout, s.home, [&s] { s.answerHeld(); });
            s.timer->start();
        },
        Qt::BlockingQueuedConnection);
    return listening;
}

} // namespace dravimo
