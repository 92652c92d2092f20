// The HTTP interface's rules, request by request, over a scratch working
// folder: what is refused and why (and that nothing is queued then), what a
// key means across a restart, and the outcome read back from result lines.

#include "api/apihandler.h"
#include "api/jsonreceipt.h"
#include "api/outcome.h"
#include "api/prometheus.h"
#include "api/statuspage.h"
#include "control/submittedjobs.h"
#include "core/metrics.h"
#include "core/recentjobs.h"
#include "greek/cp1253.h"
#include "tests/support/scratch.h"
#include "tests/support/testclock.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace dravimo {
namespace {

const QByteArray kReceipt = " PLU 0001          NERO                          1       0.50      13   \r\n"
                            " tot   1       0.50\r\n";

HttpSettings loopback(const QByteArray &token = {})
{
    QString why;
    QFile tokenFile(QStringLiteral("token"));
    if (!token.isEmpty()) {
        tokenFile.open(QIODevice::WriteOnly);
        tokenFile.write(token + "\n");
        tokenFile.close();
    }
    auto s = readHttpSettings(QStringLiteral("127.0.0.1:8787"), QStringLiteral("token"), why);
    EXPECT_TRUE(s) << why.toStdString();
    return s ? *s : HttpSettings{};
}

ApiRequest post(const QString &path, const QByteArray &key, const QByteArray &body,
                const QByteArray &type = "text/plain; charset=windows-1253")
{
    ApiRequest r{"POST", path, {}, {{"Host", "127.0.0.1:8787"}, {"Content-Type", type}}, body};
    if (!key.isNull())
        r.headers.append({"Idempotency-Key", key});
    return r;
}

QJsonObject bodyOf(const ApiResponse &r)
{
    return QJsonDocument::fromJson(r.body).object();
}

struct Api : ::testing::Test
{
    test::ScratchFolder scratch;
    test::TestClock clock;
    SubmittedJobs jobs{QStringLiteral("http"), 3};
};

TEST(HttpSettings, LoopbackMayGoWithoutATokenAnyOtherAddressMayNot)
{
    test::ScratchFolder scratch;
    struct Case
    {
        const char *listen;
        QByteArray tokenFile; // null: no file
        bool starts;
    };
    const Case cases[] = {
        {"127.0.0.1:8787", {}, true},     {"localhost:8787", {}, true},    {"[::1]:8787", {}, true},
        {"0.0.0.0:8787", {}, false},      {"192.168.1.5:8787", {}, false}, {"192.168.1.5:8787", "secret", true},
        {"127.0.0.1:8787", "", false},    // a token file that is empty
        {"127.0.0.1", {}, false},         // no port
        {"127.0.0.1:70000", {}, false},   // no such port
        {"shop.example:8787", {}, false}, // names are not bound to
    };
    for (const Case &c : cases) {
        QFile::remove(QStringLiteral("token"));
        if (!c.tokenFile.isNull()) {
            QFile f(QStringLiteral("token"));
            f.open(QIODevice::WriteOnly);
            f.write(c.tokenFile);
        }
        QString why;
        const auto s = readHttpSettings(QString::fromLatin1(c.listen), QStringLiteral("token"), why);
        EXPECT_EQ(s.has_value(), c.starts) << c.listen << ": " << why.toStdString();
        EXPECT_EQ(why.isEmpty(), c.starts) << c.listen;
    }
}

// Every refusal is a JSON error with a code and a message, and queues nothing.
TEST_F(Api, BadRequestsAreRefusedAndQueueNothing)
{
    const ApiHandler api(jobs, clock, loopback("s3cret"));
    const QByteArray auth = "Bearer s3cret";
    const auto with = [&](ApiRequest r, const QByteArray &name, const QByteArray &value) {
        for (auto &h : r.headers) {
            if (h.first == name) {
                h.second = value;
                return r;
            }
        }
        r.headers.append({name, value});
        return r;
    };
    const ApiRequest good = with(post(QStringLiteral("/v1/jobs"), "k1", kReceipt), "Authorization", auth);
    struct Case
    {
        const char *what;
        ApiRequest request;
        int status;
        const char *code;
    };
    const Case cases[] = {
        {"no token", post(QStringLiteral("/v1/jobs"), "k1", kReceipt), 401, "unauthorized"},
        {"wrong token", with(good, "Authorization", "Bearer s3creT"), 401, "unauthorized"},
        {"another site's name", with(good, "Host", "evil.example:8787"), 421, "wrong-host"},
        {"no Host", with(good, "Host", ""), 421, "wrong-host"},
        {"no key", with(post(QStringLiteral("/v1/jobs"), QByteArray(), kReceipt), "Authorization", auth), 400,
         "bad-idempotency-key"},
        {"key too long", with(good, "Idempotency-Key", QByteArray(65, 'k')), 400, "bad-idempotency-key"},
        {"key not printable", with(good, "Idempotency-Key", "a\tb"), 400, "bad-idempotency-key"},
        {"no charset", with(good, "Content-Type", "text/plain"), 415, "wrong-charset"},
        {"other charset", with(good, "Content-Type", "text/plain; charset=iso-8859-7"), 415, "wrong-charset"},
        {"not UTF-8", with(good, "Content-Type", "text/plain; charset=utf-8"), 415, "wrong-charset"},
        {"not a print file", with(good, "Content-Type", "image/png"), 415, "unsupported-media-type"},
        {"over 1 MB",
         with(post(QStringLiteral("/v1/jobs"), "k1", QByteArray(1024 * 1024 + 1, 'x')), "Authorization", auth), 413,
         "too-large"},
        {"empty", with(post(QStringLiteral("/v1/jobs"), "k1", "\r\n"), "Authorization", auth), 400, "empty-body"},
        {"wait too long",
         [&] {
             ApiRequest r = good;
             r.query.addQueryItem("wait", "121");
             return r;
         }(),
         400, "bad-wait"},
        {"unknown report", with(post(QStringLiteral("/v1/reports/y"), "k1", {}), "Authorization", auth), 404,
         "not-found"},
        {"no such job", with(ApiRequest{"GET", "/v1/jobs/000042", {}, good.headers, {}}, "Authorization", auth), 404,
         "no-such-job"},
    };
    QByteArray notUtf8 = cp1253::encode(QStringLiteral("ΝΕΡΟ"));
    for (const Case &c : cases) {
        ApiRequest r = c.request;
        if (QByteArray(c.what) == "not UTF-8")
            r.body = notUtf8;
        const ApiResponse a = api.handle(r);
        EXPECT_EQ(a.status, c.status) << c.what;
        EXPECT_EQ(bodyOf(a).value("code").toString(), QString::fromLatin1(c.code)) << c.what;
        EXPECT_FALSE(bodyOf(a).value("message").toString().isEmpty()) << c.what;
        for (const auto &[name, value] : a.headers)
            EXPECT_FALSE(name.startsWith("Access-Control")) << c.what;
    }
    EXPECT_EQ(jobs.queued(), 0);
    EXPECT_FALSE(QFile::exists(QStringLiteral("http/000001")));
    // A UTF-8 character Windows-1253 has no place for: refused, not replaced.
    const ApiResponse a = api.handle(with(with(post(QStringLiteral("/v1/jobs"), "k1", "x \xe2\x82\xac\xc5\x81\r\n"),
                                               "Content-Type", "text/plain; charset=utf-8"),
                                          "Authorization", auth));
    EXPECT_EQ(a.status, 422);
    EXPECT_EQ(jobs.queued(), 0);
    // The good one goes in.
    EXPECT_EQ(api.handle(good).status, 202);
    EXPECT_EQ(jobs.queued(), 1);
}

// One key is one job: sent again with the same body it is the first job,
// also for a process started afterwards over the same folder; with another
// body it is a conflict. The job's print file names its own result file
// whatever the body says, and UTF-8 arrives as Windows-1253.
TEST_F(Api, AKeyIsOneJobAcrossARestartAndTheQueueHasALimit)
{
    const ApiHandler api(jobs, clock, loopback());
    const QByteArray body = " resFile:  /etc/passwd\r\n PLU 0001          ΝΕΡΟ\r\n";
    const ApiResponse first = api.handle(post(QStringLiteral("/v1/jobs"), "sale-1", body, "text/plain; charset=utf-8"));
    ASSERT_EQ(first.status, 202);
    EXPECT_EQ(bodyOf(first).value("id").toString(), QStringLiteral("000001"));
    EXPECT_EQ(bodyOf(first).value("state").toString(), QStringLiteral("queued"));
    EXPECT_EQ(test::readFile(QStringLiteral("http/000001")),
              " resFile:  http/000001.res\r\n" + cp1253::encode(QString::fromUtf8(body)));

    SubmittedJobs afterRestart(QStringLiteral("http"), 3);
    afterRestart.load(clock.wall.toMSecsSinceEpoch());
    const ApiHandler again(afterRestart, clock, loopback());
    const ApiResponse replay =
        again.handle(post(QStringLiteral("/v1/jobs"), "sale-1", body, "text/plain; charset=utf-8"));
    EXPECT_EQ(bodyOf(replay).value("id").toString(), QStringLiteral("000001"));
    EXPECT_TRUE(replay.headers.contains(qMakePair(QByteArray("Idempotency-Replayed"), QByteArray("true"))));
    EXPECT_EQ(
        again.handle(post(QStringLiteral("/v1/jobs"), "sale-1", body + " com  x\r\n", "text/plain; charset=utf-8"))
            .status,
        409);
    // The same key for a report is another request.
    EXPECT_EQ(again.handle(post(QStringLiteral("/v1/reports/x"), "sale-1", {})).status, 409);
    EXPECT_EQ(afterRestart.keyOf(QStringLiteral("http/000001")), QStringLiteral("sale-1"));
    EXPECT_EQ(afterRestart.keyOf(QStringLiteral("print.1")), QString());

    // Three may wait; the fourth is told to come back.
    EXPECT_EQ(again.handle(post(QStringLiteral("/v1/reports/z"), "z-1", {})).status, 202);
    EXPECT_EQ(again.handle(post(QStringLiteral("/v1/jobs"), "sale-2", kReceipt)).status, 202);
    const ApiResponse full = again.handle(post(QStringLiteral("/v1/jobs"), "sale-3", kReceipt));
    EXPECT_EQ(full.status, 429);
    EXPECT_TRUE(full.headers.contains(qMakePair(QByteArray("Retry-After"), QByteArray("5"))));
    EXPECT_EQ(afterRestart.queued(), 3);

    // The jobs run in the order they came; once one has ended its key is
    // kept for 30 days, then forgotten with its files.
    const auto next = afterRestart.next();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->id, QStringLiteral("000001"));
    QFile::remove(next->path);
    afterRestart.refresh();
    EXPECT_EQ(afterRestart.job(QStringLiteral("000001"))->state, SubmittedJob::State::Done);
    SubmittedJobs monthLater(QStringLiteral("http"), 3);
    monthLater.load(clock.wall.addDays(30).addSecs(3600).toMSecsSinceEpoch());
    EXPECT_FALSE(monthLater.job(QStringLiteral("000001")));
    EXPECT_TRUE(monthLater.job(QStringLiteral("000002"))); // still waiting: kept
    EXPECT_FALSE(QFile::exists(QStringLiteral("http/000001.key")));
}

// Each JSON line kind becomes its print-file line, every field in its
// column; what does not fit a column or names no line kind is refused.
TEST(JsonReceipt, LineKindsBecomePrintFileLinesAndBadOnesAreRefused)
{
    struct Case
    {
        const char *json;
        const char *printFile; // null: refused with `code`
        const char *code;
    };
    const Case cases[] = {
        {R"({"tag":"T-1","lines":[{"sale":{"code":"0001","description":"Νερό","quantity":3,"price":"0.50","vat":13}}]})",
         " tag:  T-1\r\n PLU 0001          Νερό                              3       0.50      13\r\n", nullptr},
        {R"({"lines":[{"sale":{"quantity":1.5,"price":2,"department":"2"}}]})",
         " PLU                                               1.5          2          2\r\n", nullptr},
        {R"({"lines":[{"modifier":{"value":"-10.00%","text":"Έκπτωση"}},{"comment":"Γεια"},{"payment":{"method":1,"amount":"11.15"}}]})",
         " mod  -10.00%   Έκπτωση\r\n com  Γεια\r\n tot   1      11.15\r\n", nullptr},
        {R"({"lines":[{"openTable":5},{"closeTable":"5"},{"payTable":5},{"moveTable":{"from":1,"to":2}},{"listTables":true},{"cardPayment":3},{"footer":"Α"}]})",
         " TBO 5\r\n TBC 5\r\n TBS  5\r\n TBT  1   2\r\n ltb\r\n pay  3\r\n foo  Α\r\n", nullptr},
        {R"({"lines":[{"sale":{"quantity":1}}]})", nullptr, "bad-field"},                      // no price
        {R"({"lines":[{"openTable":6666666666666666666666666666}]})", nullptr, "bad-field"},   // no such table
        {R"({"lines":[{"sale":{"quantity":1,"price":"1234567890"}}]})", nullptr, "bad-field"}, // wider than 9
        {R"({"lines":[{"sale":{"quantity":1,"price":1,"colour":"red"}}]})", nullptr, "bad-field"},
        {R"({"lines":[{"comment":"a\r\n PLU 0001"}]})", nullptr, "bad-field"}, // a line smuggled in
        {R"({"lines":[{"raffle":{}}]})", nullptr, "unknown-line-kind"},
        {R"({"lines":[{"comment":"a","footer":"b"}]})", nullptr, "bad-field"},
        {R"({"lines":[]})", nullptr, "bad-field"},
        {R"({"tag":"x","lines":[{"void":true}],"resFile":"/etc/passwd"})", nullptr, "bad-field"},
        {R"({"lines":[{"comment":"a"})", nullptr, "malformed-json"},
        {R"([1,2])", nullptr, "malformed-json"},
    };
    for (const Case &c : cases) {
        const JsonReceipt r = printFileFromJson(QByteArray(c.json));
        if (c.printFile) {
            EXPECT_EQ(r.printFile, QString::fromUtf8(c.printFile)) << c.json << " " << r.error.toStdString();
        } else {
            EXPECT_TRUE(r.printFile.isEmpty()) << c.json;
            EXPECT_EQ(r.code, QString::fromLatin1(c.code)) << c.json << " " << r.error.toStdString();
        }
    }
}

TEST(JobOutcome, ResultLinesReadBackAsJson)
{
    const QStringList lines = {
        QStringLiteral("tag = ΠΑΡΑΓΓΕΛΙΑ-7"),
        QStringLiteral("DateTime start = 07/12/2026 03:45:10"),
        QStringLiteral("Err = 1038, [KX150R2WATER] Ανοικτή Απόδειξη DateTime = 07/12/2026 03:45:11"),
        QStringLiteral("Err = -7, [KX3P1] DateTime = 07/12/2026 03:45:12"),
        QStringLiteral("ccPay0 = 0,OK"),
        QStringLiteral("sndReply = 0;STAT:0~"),
        QStringLiteral("DateTime end = 07/12/2026 03:45:13"),
        QStringLiteral("recStatus = 0;"),
        QStringLiteral("receipt = 00001, 12, 0"),
        QStringLiteral("exitcode = 3"),
    };
    const QJsonObject o = outcomeJson(lines);
    EXPECT_EQ(o.value("tag").toString(), QStringLiteral("ΠΑΡΑΓΓΕΛΙΑ-7"));
    EXPECT_EQ(o.value("end").toString(), QStringLiteral("07/12/2026 03:45:13"));
    EXPECT_EQ(o.value("exitCode").toInt(), 3);
    EXPECT_EQ(o.value("receipt").toObject().value("last").toInt(), 12);
    const QJsonArray errors = o.value("errors").toArray();
    ASSERT_EQ(errors.size(), 2);
    EXPECT_EQ(errors[0].toObject().value("code").toInt(), 1038);
    EXPECT_EQ(errors[0].toObject().value("command").toString(), QStringLiteral("KX150R2WATER"));
    EXPECT_EQ(errors[0].toObject().value("text").toString(), QStringLiteral("Ανοικτή Απόδειξη"));
    EXPECT_EQ(errors[1].toObject().value("text").toString(), QString());
    EXPECT_EQ(o.value("cardPayments").toArray().size(), 1);
    EXPECT_EQ(o.value("sendReplies").toArray()[0].toObject().value("reply").toString(), QStringLiteral("STAT:0~"));
}

// A histogram's buckets are cumulative, a value on a bound falls in that
// bound's bucket, +Inf is the count; a counter's label value is escaped.
TEST(Metrics, HistogramBucketsAndLabelValuesAsPrometheusReadsThem)
{
    Metrics m;
    m.declareHistogram(QStringLiteral("t_seconds"), QStringLiteral("a\\b\nc"), {1, 0.5});
    m.declareCounter(QStringLiteral("c_total"), QStringLiteral("h"), QStringLiteral("code"), {QStringLiteral("0")});
    for (const double v : {0.5, 0.7, 1.0, 9.0})
        m.observe(QStringLiteral("t_seconds"), v);
    m.add(QStringLiteral("c_total"), QStringLiteral("a\"\\"));
    const QByteArray text = prometheusText(m.snapshot());
    EXPECT_EQ(text,
              "# HELP t_seconds a\\\\b\\nc\n# TYPE t_seconds histogram\n"
              "t_seconds_bucket{le=\"0.5\"} 1\nt_seconds_bucket{le=\"1\"} 3\nt_seconds_bucket{le=\"+Inf\"} 4\n"
              "t_seconds_sum 11.2\nt_seconds_count 4\n"
              "# HELP c_total h\n# TYPE c_total counter\nc_total{code=\"0\"} 0\nc_total{code=\"a\\\"\\\\\"} 1\n");
}

// What a host wrote into a print file (its tag) and what the register said
// reach the page as text, never as markup; the last job's part of a result
// file shared by many jobs is the one read.
TEST(StatusPage, JobsFromTheirResultFilesShownAsText)
{
    const JobRecord job = jobRecordFromResult({QStringLiteral("tag = OLD"), QStringLiteral("exitcode = 0"),
                                               QStringLiteral("tag = <script>x</script>"),
                                               QStringLiteral("Err = 69, [KX50R2<b>] DateTime = 01/01/2026 10:00:00"),
                                               QStringLiteral("receipt = 12, 34"), QStringLiteral("exitcode = 3")});
    EXPECT_EQ(job.tag, QStringLiteral("<script>x</script>"));
    EXPECT_EQ(job.exitCode, 3);
    EXPECT_EQ(job.receipt, QStringLiteral("12, 34"));
    ASSERT_EQ(job.errors.size(), 1);
    RegisterSnapshot s;
    s.linkUp = true;
    s.lastAnswerMs = 0;
    const QString page = QString::fromUtf8(statusPage({s, {job}, 0, 3000}));
    EXPECT_FALSE(page.contains(QLatin1String("<script>")));
    EXPECT_FALSE(page.contains(QLatin1String("<b>")));
    EXPECT_TRUE(page.contains(QLatin1String("&lt;script&gt;x&lt;/script&gt;")));
    EXPECT_TRUE(page.contains(QStringLiteral("Η ταμειακή απαντά")));
    EXPECT_TRUE(page.contains(QStringLiteral("Απορρίφθηκε γραμμή")));
}

} // namespace
} // namespace dravimo
