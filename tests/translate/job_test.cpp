// Whole jobs through the translator: directives, the header and outcome lines, the
// two clears, line reading, and what a job leaves behind.
#include "translate_fixture.h"

#include "core/files.h"
#include "core/progressindicator.h"
#include "translate/printfile.h"
#include "translate/translator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace dravimo;
using namespace dravimo::test;

namespace {

const QString kQ = QStringLiteral(" [quiet]");

class GetData : public TranslateTest
{
protected:
    // Writes a print file in the host's code page, byte for byte as given.
    QString writePrintFile(const QString &text, const QString &name = QStringLiteral("print.1"))
    {
        EXPECT_TRUE(writeTextFile(path(name), text));
        return path(name);
    }

    bool translate(const QString &file)
    {
        Translator t(session_, progress_);
        t.zReport = zReport;
        return t.translate(file, settings_);
    }

    QStringList resultLines(const QString &name = QStringLiteral("Result"))
    {
        const auto text = readTextFile(path(name));
        return text ? splitLines(*text) : QStringList{};
    }

    std::function<void(EcrLink &)> zReport;
};

QStringList plainOutcome(const QString &tag = QStringLiteral("Unknown"))
{
    return {QStringLiteral("tag = ") + tag,
            QStringLiteral("DateTime start = ") + kFixedDate,
            QStringLiteral("DateTime end = ") + kFixedDate,
            QStringLiteral("recStatus = 0;"),
            QStringLiteral("receipt = -1, -1, 0"),
            QStringLiteral("exitcode = 0")};
}

// "resFile:" is chosen by whoever writes the print folder: Dravimo's own
// files, a FIFO (which would hang the job, and every restart), a device (the
// lines would go down another line) or a file that cannot be written at all
// are refused, the host told why in the default result file, and nothing
// sent; a file of the host's, wherever it lies and however it is named or
// linked, works.
TEST_F(GetData, AResultFileMustBeARegularFileOfTheHosts)
{
    QDir().mkpath(path(QStringLiteral("journal")));
    QDir().mkpath(path(QStringLiteral("elsewhere")));
    writeTextFile(path(QStringLiteral("journal/job")), QStringLiteral("entry"));
    writeTextFile(path(QStringLiteral("param.ini")), QStringLiteral("[port] com1"));
    writeTextFile(path(QStringLiteral("host.txt")), QString());
    QFile::link(path(QStringLiteral("host.txt")), path(QStringLiteral("link.txt")));
    results_.setProtected({path(QStringLiteral("param.ini"))}, {path(QStringLiteral("journal"))});
#ifdef Q_OS_UNIX
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo"))).constData(), 0600), 0);
#endif
    struct Case
    {
        const char *resFile;
        bool works;
        const char *written; // where the outcome is read afterwards
    };
    const Case cases[] = {
        {"journal/job", false, "journal/job"},
        {"journal/../param.ini", false, "param.ini"},
#ifdef Q_OS_UNIX
        {"fifo", false, nullptr},
        {"/dev/null", false, nullptr},
#endif
        {"print.1", false, "print.1"},
        {"no-such-folder/res.txt", false, nullptr},
        {"link.txt", true, "host.txt"},
        {"@/elsewhere/out.txt", true, "elsewhere/out.txt"},
        {"RESULT", true, "RESULT"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.resFile);
        QFile::remove(path(QStringLiteral("Result")));
        ecr_.sent.clear();
        QString named = QString::fromLatin1(c.resFile);
        if (named.startsWith(QLatin1Char('@')))
            named = scratch_.folder() + named.mid(1); // an absolute path
        const QString print = writePrintFile(QStringLiteral(" resFile:  ") + named + QStringLiteral("\r\n tag:  T1\r\n"));
        const QByteArray before = c.written ? test::readFile(path(QString::fromLatin1(c.written))) : QByteArray();
        ASSERT_TRUE(translate(print));
        if (c.works) {
            EXPECT_EQ(resultLines(QString::fromLatin1(c.written)).last(), QStringLiteral("exitcode = 0"));
            EXPECT_FALSE(QFile::exists(path(QStringLiteral("Result"))));
            continue;
        }
        EXPECT_EQ(ecr_.commands(), QStringList{});
        const QStringList lines = resultLines();
        ASSERT_EQ(lines.size(), 5) << lines.join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(lines[0], QStringLiteral("tag = T1"));
        EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Err = -9, [resFile: ") + named + QStringLiteral("] ")));
        EXPECT_EQ(lines[4], QStringLiteral("exitcode = 1"));
        if (c.written) {
            EXPECT_EQ(test::readFile(path(QString::fromLatin1(c.written))), before);
        }
    }
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("no-such-folder"))));
}

// A print file far beyond any receipt is not read: it is put aside, and the
// host reads why in the default result file.
TEST_F(GetData, AnOversizedPrintFileIsPutAsideUnread)
{
    const QString big = writePrintFile(QString(2000, QLatin1Char(' ')) + QStringLiteral("\r\n"), QStringLiteral("big.1"));
    Translator t(session_, progress_);
    t.files().setMaxSize(1000);
    t.quarantineFolder = path(QStringLiteral("quarantine"));
    ASSERT_TRUE(t.translate(big, settings_));
    EXPECT_EQ(ecr_.commands(), QStringList{});
    EXPECT_FALSE(QFile::exists(big));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("quarantine/big.1"))));
    EXPECT_TRUE(resultLines().value(0).startsWith(QStringLiteral("Err = -5, [")));
    EXPECT_TRUE(window_.status().contains(QStringLiteral("1000"))) << window_.status().toStdString();
}

TEST_F(GetData, FileWithOnlyDirectives)
{
    const QString file = writePrintFile(QStringLiteral("#resFile:  out.txt\r\n#tag:  T-17\r\n"));
    ecr_.answer(QStringLiteral("KXRE"), 0, QStringLiteral("RE:00001:0")); // no receipt printed yet
    ASSERT_TRUE(translate(file));
    EXPECT_EQ(ecr_.commandsWithQuiet(),
              (QStringList{QStringLiteral("KXCL") + kQ, QStringLiteral("KXCL") + kQ, QStringLiteral("KXRE")}));
    EXPECT_EQ(resultLines(QStringLiteral("out.txt")), plainOutcome(QStringLiteral("T-17")));
    EXPECT_EQ(results_.path(), QStringLiteral("out.txt"));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("Result"))));
}

// Without a CR LF after it a directive does not count; the job still runs.
TEST_F(GetData, DirectivesAtTheEndWithoutCrLfFallBack)
{
    ASSERT_TRUE(translate(writePrintFile(QStringLiteral("#tag:  T1\r\n resFile:  out.txt"))));
    EXPECT_EQ(resultLines(), plainOutcome(QStringLiteral("T1")));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out.txt"))));
    ecr_.sent.clear();
    ASSERT_TRUE(
        translate(writePrintFile(QStringLiteral(" resFile:  out.txt\r\n tag:  T2"), QStringLiteral("print.2"))));
    EXPECT_EQ(resultLines(QStringLiteral("out.txt")), plainOutcome());
}

TEST_F(GetData, DirectiveValues)
{
    struct Case
    {
        const char *text;
        const char *tag;
        const char *resFile;
    };
    const Case cases[] = {
        {"tag:  A\r\n", "A", "Result"},
        {"x tag:  first\r\ntag:  second\r\n", "first", "Result"},
        {"tag:  with spaces  \r\n", "with spaces  ", "Result"},
        {"tag:XYvalue\r\n", "value", "Result"},
        // Nothing after the skipped characters: an empty tag, but no empty
        // result file name.
        {"tag:  \r\nresFile:  \r\n", "", "Result"},
        {"tag: \r\n", "Unknown", "Result"}, // too short for the skipped characters
        {"tag:\r\n", "Unknown", "Result"},
        {"tag:  A\n", "Unknown", "Result"}, // a lone LF is not a CR LF
        // A line break inside would split the result line (found by fuzzing).
        {"tag:  QTY\r P\nLU\r\nresFile:  a\nb.txt\r\n", "Unknown", "Result"},
        {"no directive\r\n", "Unknown", "Result"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromLatin1(c.text);
        EXPECT_EQ(directiveValue(text, QStringLiteral("tag:"), QStringLiteral("Unknown"), EmptyValue::Kept),
                  QString::fromLatin1(c.tag));
        EXPECT_EQ(directiveValue(text, QStringLiteral("resFile:"), QStringLiteral("Result")),
                  QString::fromLatin1(c.resFile));
    }
    // The job writes the empty tag as it is.
    ASSERT_TRUE(translate(writePrintFile(QStringLiteral(" tag:  \r\n"))));
    EXPECT_EQ(resultLines().value(0), QStringLiteral("tag = "));
}

TEST_F(GetData, UnreadableFileWritesNothing)
{
    EXPECT_FALSE(translate(path(QStringLiteral("missing.1"))));
    EXPECT_TRUE(ecr_.sent.isEmpty());
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("Result"))));
}

// A sale line, a directive line that is also a comment, a line with an
// unknown code, and a last line without CR LF.
TEST_F(GetData, PlainJob)
{
    const QString text =
        pluLine({{}, QStringLiteral("WATER"), QStringLiteral("2"), QStringLiteral("1.50"), QStringLiteral("13"), {}})
        + QStringLiteral("\r\n com  NOTE resFile:  res.txt\r\n xyz whatever\r\n com  LAST");
    ecr_.answer(QStringLiteral("KXRE"), 0, QStringLiteral("RE:00123:17"));
    ASSERT_TRUE(translate(writePrintFile(text)));
    // This register answers the status question with neither form: asked twice.
    EXPECT_EQ(ecr_.commandsWithQuiet(),
              (QStringList{QStringLiteral("KXCL") + kQ, QStringLiteral("KXCL") + kQ, QStringLiteral("KX2.000* ") + kQ,
                           QStringLiteral("KX150R2WATER"), QStringLiteral("KXCO NOTE RESFILE:  RES.TXT"),
                           QStringLiteral("KXCO LAST"), QStringLiteral("KXSTAT") + kQ, QStringLiteral("KXSTAT") + kQ,
                           QStringLiteral("KXRE")}));
    QStringList expected = plainOutcome();
    expected[4] = QStringLiteral("receipt = 00123, 17, 0");
    EXPECT_EQ(resultLines(QStringLiteral("res.txt")), expected);
    EXPECT_EQ(progress_.maximum(), 4);
    EXPECT_EQ(progress_.value(), 4);
}

TEST_F(GetData, TwoJobsAppendToOneResultFile)
{
    const QString file = writePrintFile(QStringLiteral(" resFile:  shared.txt\r\n"));
    ASSERT_TRUE(translate(file));
    ASSERT_TRUE(translate(file));
    EXPECT_EQ(resultLines(QStringLiteral("shared.txt")), plainOutcome() + plainOutcome());
}

TEST_F(GetData, FooterIsPrintedAfterTheOutcome)
{
    ecr_.answer(QStringLiteral("KXRE"), 0, QStringLiteral("RE:00001:0"));
    ASSERT_TRUE(translate(writePrintFile(QStringLiteral(" foo  THANK YOU\r\n"))));
    const QStringList sent = ecr_.commandsWithQuiet();
    ASSERT_EQ(sent.size(), 3 + 1 + 1 + 7);
    EXPECT_EQ(sent.at(2), QStringLiteral("KXRE"));
    EXPECT_EQ(sent.at(4), QStringLiteral("KXCO THANK YOU\r\n"));
}

// The card-failure notice is printed before the outcome is read from the
// register, once.
TEST_F(GetData, CardFailureNoticeRunsBeforeTheOutcome)
{
    Job &j = job();
    j.state.cardFailure = true;
    finishJob(j);
    const QStringList sent = ecr_.commands();
    // ΠΡΟΣΟΧΗ! in the register's character set.
    const QString first = QStringLiteral("KXCO ") + bytes("\x8APOfOXH!");
    const qsizetype notice = sent.indexOf(first);
    ASSERT_GE(notice, 0);
    EXPECT_LT(notice, sent.indexOf(QStringLiteral("KXRE")));
    EXPECT_EQ(sent.count(first), 1);
    EXPECT_FALSE(j.state.cardFailure);
}

// A refused line ends the job "exitcode = 3", after its "Err = -8" line;
// a job a line stopped (1) or that left a receipt open (2) keeps its code.
TEST_F(GetData, RefusedLineEndsTheJobWithExitCodeThree)
{
    const QString refused = pluLine(
        {{}, QStringLiteral("WATER"), QStringLiteral("0.3333"), QStringLiteral("1.50"), QStringLiteral("13"), {}});
    ASSERT_TRUE(translate(writePrintFile(refused + QStringLiteral("\r\n"))));
    const QStringList lines = resultLines();
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines.at(2),
              QStringLiteral("Err = -8, [") + refused.trimmed() + QStringLiteral("] DateTime = ") + kFixedDate);
    EXPECT_EQ(lines.last(), QStringLiteral("exitcode = 3"));

    const struct
    {
        int exitCode;
        bool leftOpen;
        const char *last;
    } cases[] = {{1, false, "exitcode = 1"}, {0, true, "exitcode = 2"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.last);
        Job j(session_, settings_);
        j.state.exitCode = c.exitCode;
        j.state.receiptLeftOpen = c.leftOpen;
        j.state.lineRefused = true;
        finishJob(j);
        EXPECT_EQ(resultLines().last(), QString::fromLatin1(c.last));
    }
}

// A stopped job still writes every outcome line, with exit code 1 and the
// open table's report.
TEST_F(GetData, OutcomeOfAStoppedJobWithAnOpenTable)
{
    Job &j = job();
    j.state.resultFile = QStringLiteral("stopped.txt");
    j.ecr.results.setPath(j.state.resultFile); // as the job's start sets it
    j.state.openTable = QStringLiteral("12");
    j.state.receiptNumber = 41;
    j.state.exitCode = 1;
    j.state.tableTransfer = true;
    ecr_.answer(QStringLiteral("KXREP12TBL"), 0, QStringLiteral("REP:12:2350"));
    ecr_.answer(QStringLiteral("KXRE"), 0, QStringLiteral("RE:00124:3"));
    finishJob(j);
    EXPECT_FALSE(j.state.tableTransfer);
    EXPECT_EQ(ecr_.commandsWithQuiet(), (QStringList{QStringLiteral("KXREP12TBL"), QStringLiteral("KXRE")}));
    EXPECT_EQ(resultLines(QStringLiteral("stopped.txt")),
              (QStringList{QStringLiteral("DateTime end = ") + kFixedDate, QStringLiteral("recStatus = 1;2350"),
                           QStringLiteral("receipt = 00124, 3, 41"), QStringLiteral("exitcode = 1")}));
}

TEST_F(GetData, RecStatusFollowsTheTableReport)
{
    struct Case
    {
        const char *openTable;
        int result;
        const char *reply;
        const char *line;
    };
    const Case cases[] = {
        {"5", 0, "REP:5:0", "recStatus = 0;0"}, {"5", 0, "REP:5:12.50", "recStatus = 1;12.50"},
        {"5", 7, "7", "recStatus = 1;-1"}, // the query's failure answer
        {"abc", 0, "", "recStatus = 0;"},  // no numeric table: no query
        {"", 0, "", "recStatus = 0;"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.openTable);
        job_.reset();
        QFile::remove(path(QStringLiteral("Result")));
        job().state.openTable = QString::fromLatin1(c.openTable);
        ecr_.script(QStringLiteral("KXREP5TBL"), {{qint16(c.result), QString::fromLatin1(c.reply)}}); // every time
        finishJob(job());
        EXPECT_EQ(resultLines().value(1), QString::fromLatin1(c.line));
    }
}

// The job's numbers and the records reset per line.
TEST_F(GetData, PerLineFieldsAreClearedAndOthersCarryOver)
{
    LineRecord r;
    r.price = r.discount = r.surcharge = r.discountPercent = r.surchargePercent = r.department = QStringLiteral("x");
    r.text = r.itemCode = r.quantity = QStringLiteral("kept");
    r.operation = Operation::Sale;
    r.clearPerLine();
    EXPECT_TRUE(r.price.isEmpty() && r.discount.isEmpty() && r.surcharge.isEmpty() && r.discountPercent.isEmpty()
                && r.surchargePercent.isEmpty() && r.department.isEmpty());
    EXPECT_EQ(r.text + r.itemCode + r.quantity, QStringLiteral("keptkeptkept"));
    EXPECT_EQ(r.operation, Operation::Sale);
}

TEST_F(GetData, ZReportHookRunsFromAPrintFile)
{
    int reports = 0;
    zReport = [&reports](EcrLink &) { ++reports; };
    ASSERT_TRUE(translate(writePrintFile(QStringLiteral(" MKZ\r\n mkz\r\n"))));
    EXPECT_EQ(reports, 2);
}

} // namespace
