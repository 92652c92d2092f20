#include "harness.h"
#include "scratch.h"

#include "core/clock.h"
#include "core/files.h"
#include "core/window.h"
#include "greek/cp1253.h"
#include "greek/ecrcharset.h"
#include "payments/cardpayment.h"
#include "payments/payeft.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace dravimo;
using namespace dravimo::test;

namespace {

class CardPaymentTest : public ::testing::Test, public SessionHarness
{
protected:
    void SetUp() override
    {
        payFile = dir.filePath(QStringLiteral("payeft.dat"));
        ecr.defaultReply = QStringLiteral("OK");
        // The status query answers "no error" unless a test says otherwise.
        ecr.script(QStringLiteral("KXSTAT"), {{0, QStringLiteral("STAT:0")}});
    }
    CardPayment pay() { return CardPayment(session, payFile); }

    void card(qint16 code, qint16 terminal, qint16 retries, qint16 fallback, qint16 payment = 1)
    {
        ASSERT_EQ(writePaymentType({payment, code, terminal, -1, retries, fallback}, payFile), 0);
    }
    QStringList withoutStatus() const
    {
        QStringList out;
        for (const QString &c : ecr.commands())
            if (c != QLatin1String("KXSTAT"))
                out << c;
        return out;
    }

    QString payFile;
};

} // namespace

TEST(CardReplyClass, TableOfTerminalAnswers)
{
    const struct
    {
        const char *reply;
        CardReply cls;
    } cases[] = {
        {"", CardReply::Accepted},
        {"358OK:1:2:1250", CardReply::Accepted},
        {"355OK", CardReply::Accepted},
        {"356OKXYZ:05", CardReply::Accepted},
        {"ABC", CardReply::Accepted},
        {"X:05", CardReply::Declined},
        {" X : 66 ", CardReply::Declined},
        {"X:03", CardReply::Refused},
        {"X:501", CardReply::Refused},
        {"X:ECR INACTIVE EFTPOS", CardReply::Refused},
        {"CntFail", CardReply::Refused},
        {"CntFail:05", CardReply::Declined}, // the code of the second field decides last
        {"X:999", CardReply::Busy},
        {"ERR:SEND:TIMEOUT WHILE SEND DATA TO POS", CardReply::NotReceived},
        {"X:5", CardReply::Accepted},
    };
    for (const auto &c : cases)
        EXPECT_EQ(classifyCardReply(QString::fromLatin1(c.reply)), c.cls) << c.reply;
}

TEST(CardReplyLine, AcknowledgementsBecomeCcPayLines)
{
    // The register pads its acknowledgement to 15 characters before the data.
    const QString ack358 = QStringLiteral("358OK          ");
    QStringList f;
    for (int i = 0; i < 15; ++i)
        f << QStringLiteral("f%1").arg(i);
    f[3] = QStringLiteral("1250");
    EXPECT_EQ(cardPaymentLine(ack358 + f.join(QLatin1Char(':'))),
              QStringLiteral("ccPay0 = f0;f2;f9;f11;f13;f10;f14;12,50"));
    f[3] = QStringLiteral("7");
    EXPECT_TRUE(cardPaymentLine(QStringLiteral("355OK          ") + f.join(QLatin1Char(':')))
                    .endsWith(QStringLiteral(";0,07")));
    f[3] = QStringLiteral("45");
    EXPECT_TRUE(cardPaymentLine(ack358 + f.join(QLatin1Char(':'))).endsWith(QStringLiteral(";0,45")));
    EXPECT_EQ(cardPaymentLine(QStringLiteral("  356OK   ")), QStringLiteral("ccPay0 = 0,OK"));
    EXPECT_TRUE(cardPaymentLine(QStringLiteral("358OK")).isEmpty());
    EXPECT_TRUE(cardPaymentLine(QStringLiteral("OK")).isEmpty());
    // Data that starts within the first 15 characters is not an acknowledgement
    // the host's line can be made from.
    EXPECT_TRUE(cardPaymentLine(QStringLiteral("358OK:a:b:c:500")).isEmpty());
    // Too few fields: the line is still written, the missing fields empty.
    EXPECT_EQ(cardPaymentLine(ack358 + QStringLiteral("a:b:c:500")), QStringLiteral("ccPay0 = a;c;;;;;;5,00"));
}

TEST_F(CardPaymentTest, OrdinaryPaymentSendsSubtotalThenPayment)
{
    EXPECT_EQ(pay().payAmount(QStringLiteral("500"), QStringLiteral("1"), 0), PaymentOutcome::Done);
    EXPECT_EQ(withoutStatus(), (QStringList{QStringLiteral("KXST"), QStringLiteral("KX500T1")}));
    EXPECT_EQ(ecr.sent.at(1).quiet, Quiet::Yes); // the subtotal is quiet
}

TEST_F(CardPaymentTest, CurrencySettingOverridesThePaymentNumberAndZeroMeansWholeTotal)
{
    pay().payAmount(QStringLiteral("0"), QStringLiteral("5"), 2);
    EXPECT_EQ(withoutStatus(), (QStringList{QStringLiteral("KXST"), QStringLiteral("KXT2")}));
}

TEST_F(CardPaymentTest, AcceptedCardNeedsNoFallback)
{
    card(2, 1, 0, 1);
    ecr.script(QStringLiteral("KX500T2P1"), {{0, QStringLiteral("355OK:1:2:500")}});
    EXPECT_EQ(pay().payAmount(QStringLiteral("500"), QStringLiteral("1"), 0), PaymentOutcome::Done);
    EXPECT_EQ(withoutStatus(), (QStringList{QStringLiteral("KXST"), QStringLiteral("KX500T2P1")}));
    EXPECT_EQ(ecr.sent.last().cardWait, Seconds{200});
}

TEST_F(CardPaymentTest, DeclinedEveryTimeRetriesThenFallsBackAndTheNoticePrints)
{
    card(2, 1, 2, 1);
    ecr.script(QStringLiteral("KX500T2P1"), {{0, QStringLiteral("TRM:05")}});
    EXPECT_EQ(pay().payAmount(QStringLiteral("500"), QStringLiteral("1"), 0), PaymentOutcome::FallbackTaken);
    EXPECT_EQ(withoutStatus(),
              (QStringList{QStringLiteral("KXST"), QStringLiteral("KX500T2P1"), QStringLiteral("KX500T2P1"),
                           QStringLiteral("KX500T2P1"), QStringLiteral("KX500T1")}));
    // Each declined attempt tells the host; the fallback adds no line.
    const QStringList lines = resultLines();
    ASSERT_EQ(lines.size(), 3);
    for (const QString &line : lines)
        EXPECT_TRUE(line.startsWith(QLatin1String("Err = -7, [KX500T2P1] DateTime = "))) << line.toStdString();

    // The notice in the register's characters, each line within the paper's
    // 28: the two wider lines lose their centring or break at a space.
    ecr.sent.clear();
    pay().printFailureNotice();
    const QStringList notice = withoutStatus();
    ASSERT_EQ(notice.size(), 10);
    EXPECT_EQ(cp1253::encode(notice.at(0)), QByteArray("KXCO \x8APOfOXH!"));
    const QStringList lines28 = {QStringLiteral("ΠΡΟΣΟΧΗ!"),
                                 QStringLiteral("Η ΑΠΟΔΕΙΞΗ ΠΕΡΙΕΧΕΙ ΠΛΗΡΩΜΕΣ"),
                                 QStringLiteral("   ΠΙΣΤ.ΚΑΡΤΩΝ ΠΟΥ ΑΠΕΤΥΧΑΝ"),
                                 QStringLiteral("ΥΠΑΡΧΕΙ ΥΠΟΛΟΙΠΟ ΠΡΟΣ"),
                                 QStringLiteral("ΕΙΣΠΡΑΞΗ"),
                                 QStringLiteral("       ΑΠΟ ΤΟΝ ΠΕΛΑΤΗ"),
                                 QString(),
                                 QString(),
                                 QString(),
                                 QString()};
    for (int i = 0; i < notice.size(); ++i) {
        EXPECT_LE(notice.at(i).size(), 5 + 28);
        EXPECT_EQ(notice.at(i), QStringLiteral("KXCO ") + greek::toEcrCharset(lines28.at(i)));
    }
}

TEST_F(CardPaymentTest, BusyTerminalPausesThreeSecondsAndRefusalStopsAtOnce)
{
    card(2, 1, 3, 1);
    ecr.script(QStringLiteral("KX500T2P1"), {{0, QStringLiteral("T:999")}, {0, QStringLiteral("CntFail")}});
    const qint64 before = clock.nowMs();
    pay().payAmount(QStringLiteral("500"), QStringLiteral("1"), 0);
    EXPECT_GE(clock.nowMs() - before, 3000);
    EXPECT_EQ(withoutStatus().count(QStringLiteral("KX500T2P1")), 2);
    EXPECT_EQ(withoutStatus().last(), QStringLiteral("KX500T1"));
    // A busy terminal and "CntFail" each count as a declined attempt.
    EXPECT_EQ(resultLines().size(), 2);
}

TEST_F(CardPaymentTest, FailedExchangeTriesAgainWithoutClassifying)
{
    card(2, 1, 1, 0);
    ecr.script(QStringLiteral("KX500T2P1"), {{-4, {}}, {0, QStringLiteral("358OK")}});
    EXPECT_EQ(pay().payAmount(QStringLiteral("500"), QStringLiteral("1"), 0), PaymentOutcome::Done);
    EXPECT_EQ(withoutStatus().count(QStringLiteral("KX500T2P1")), 2);
}

TEST_F(CardPaymentTest, PreCollectionHasNoSubtotalAndNoFallback)
{
    card(9, 1, 0, 1);
    ecr.script(QStringLiteral("KXT9P1"), {{0, QStringLiteral("T:05")}});
    EXPECT_EQ(pay().payAmount(QStringLiteral("0"), QStringLiteral("1"), 0), PaymentOutcome::Done);
    EXPECT_EQ(withoutStatus(), (QStringList{QStringLiteral("KXT9P1")}));
}

TEST_F(CardPaymentTest, FallbackRefusedByTheEcrSetsNoFlag)
{
    card(2, 1, 0, 1);
    ecr.script(QStringLiteral("KX500T2P1"), {{0, QStringLiteral("CntFail")}});
    ecr.script(QStringLiteral("KX500T1"), {{1038, {}}});
    EXPECT_EQ(pay().payAmount(QStringLiteral("500"), QStringLiteral("1"), 0), PaymentOutcome::Done);
}

TEST_F(CardPaymentTest, WholeTotalFormIsQuietAndRecordThreeIsAlwaysOrdinary)
{
    card(2, 1, 0, 0, 3);
    EXPECT_EQ(pay().payWholeTotal(3), PaymentOutcome::Done);
    EXPECT_EQ(withoutStatus(), (QStringList{QStringLiteral("KXST"), QStringLiteral("KXT3")}));
    EXPECT_EQ(ecr.sent.last().quiet, Quiet::Yes);

    ecr.sent.clear();
    card(2, 4, 0, 1, 2);
    ecr.script(QStringLiteral("KXT2P4"), {{0, QStringLiteral("T:04")}});
    EXPECT_EQ(pay().payWholeTotal(2), PaymentOutcome::FallbackTaken);
    EXPECT_EQ(withoutStatus(), (QStringList{QStringLiteral("KXST"), QStringLiteral("KXT2P4"), QStringLiteral("KXT1")}));
    EXPECT_EQ(ecr.sent.at(ecr.sent.size() - 2).quiet, Quiet::Yes);
    EXPECT_EQ(ecr.sent.last().quiet, Quiet::No);
}

TEST_F(CardPaymentTest, UnreadablePaymentSettingsWarnAndPayOrdinarily)
{
    pay().payAmount(QStringLiteral("500"), QStringLiteral("x"), 0);
    ASSERT_EQ(window.boxes.size(), 1);
    EXPECT_EQ(window.boxes.at(0).title, QStringLiteral("Μύνημα Dravimo"));
    EXPECT_EQ(window.boxes.at(0).text, QStringLiteral("Αδυναμία ανάγνωσης παραμέτρων πληρωμών"));
    EXPECT_EQ(withoutStatus().last(), QStringLiteral("KX500T0"));
}

TEST(PaymentFile, RecordsAreFixedSizeAndUnwrittenOnesReadAsZero)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("payeft.dat"));
    ASSERT_EQ(writePaymentType({5, 2, 1, -1, 2, 1}, path), 0);
    EXPECT_EQ(QFileInfo(path).size(), 5 * 128);
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(readPaymentTypeRecord(n, path), (PaymentType{0, 0, 0, 0, 0, 0})) << n;
    EXPECT_EQ(readPaymentTypeRecord(5, path), (PaymentType{5, 2, 1, -1, 2, 1}));
    EXPECT_EQ(readPaymentTypeRecord(9, path), (PaymentType{9, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(readPaymentTypeRecord(0, path));
    ASSERT_EQ(clearPaymentType(5, path), 0);
    EXPECT_EQ(readPaymentTypeRecord(5, path), (PaymentType{5, 0, 0, 0, 0, 0}));
}

// A payeft.dat Dravimo may not write is still read, and saving over it stays
// refused.
TEST(PaymentFile, ReadOnlyFileIsReadAndNotWritten)
{
#ifndef Q_OS_UNIX
    GTEST_SKIP() << "file permissions are checked on POSIX systems";
#else
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("payeft.dat"));
    ASSERT_EQ(writePaymentType({2, 2, 1, -1, 0, 1}, path), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    EXPECT_TRUE(asUnprivilegedUser([&] {
        return readPaymentTypeRecord(2, path) == PaymentType{2, 2, 1, -1, 0, 1}
        && writePaymentType({2, 0, 0, 0, 0, 0}, path) == -1
            && readPaymentTypeRecord(2, path) == PaymentType{2, 2, 1, -1, 0, 1};
    }));
#endif
}

TEST(PaymentFile, DefaultDescriptions)
{
    EcrPaymentName d;
    EXPECT_EQ(describeEcrPayment(2, d), 0);
    EXPECT_EQ(d.name(), QStringLiteral("Κάρτα"));
    d.type = 3;
    EXPECT_EQ(d.name(), QStringLiteral("Κάρτα:ΠΡΟΦΟΡΤΩΜΕΝΗ"));
    EcrPaymentName none;
    EXPECT_EQ(describeEcrPayment(7, none), -1);
    EXPECT_EQ(describeEcrPayment(0, none), -1);
    EXPECT_FALSE(none.active);
}

TEST(CardReplyCheck, WritesTheLineToTheCurrentResultFile)
{
    QTemporaryDir dir;
    ResultFile results;
    results.setPath(dir.filePath(QStringLiteral("result.txt")));
    const auto check = cardAcknowledgementWriter(results);
    check(QStringLiteral("OK"));
    check(QStringLiteral("356OK"));
    EXPECT_EQ(readTextFile(results.path()).value_or(QString()), QStringLiteral("ccPay0 = 0,OK\r\n"));
}
