#include "scriptedecr.h"

#include "core/clock.h"
#include "core/files.h"
#include "core/window.h"
#include "payments/cardpayment.h"
#include "payments/payeft.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace dravimo;
using dravimo::test::ScriptedEcr;

namespace {

// Records the boxes the payment code shows.
class BoxWindow : public NullWindow
{
public:
    int showMessage(const QString &text, int code, const QString &title) override
    {
        boxes << title + QStringLiteral(": ") + text;
        return NullWindow::showMessage(text, code, title);
    }
    QStringList boxes;
};

class CardPaymentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        payFile = dir.filePath(QStringLiteral("payeft.dat"));
        setWindow(&win);
        shared() = SharedState{};
        // The status query answers "no error" unless a test says otherwise.
        ecr.script(QStringLiteral("KXSTAT"), {{0, QStringLiteral("STAT:0")}});
    }
    void TearDown() override { setWindow(nullptr); }

    void card(qint16 code, qint16 terminal, qint16 retries, qint16 fallback, qint16 payment = 1)
    {
        ASSERT_EQ(WritePaymentType({payment, code, terminal, -1, retries, fallback}, payFile), 0);
    }
    QStringList withoutStatus() const
    {
        QStringList out;
        for (const QString &c : ecr.commands())
            if (c != QLatin1String("KXSTAT"))
                out << c;
        return out;
    }

    QTemporaryDir dir;
    QString payFile;
    BoxWindow win;
    ScriptedEcr ecr;
    ScopedClock clock{std::make_unique<VirtualClock>()};
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
        EXPECT_EQ(ClassifyCardReply(QString::fromLatin1(c.reply)), c.cls) << c.reply;
}

TEST(CardReplyLine, AcknowledgementsBecomeCcPayLines)
{
    // The register pads its acknowledgement to 15 characters before the data.
    const QString ack358 = QStringLiteral("358OK          ");
    QStringList f;
    for (int i = 0; i < 15; ++i)
        f << QStringLiteral("f%1").arg(i);
    f[3] = QStringLiteral("1250");
    EXPECT_EQ(CardPaymentLine(ack358 + f.join(QLatin1Char(':'))),
              QStringLiteral("ccPay0 = f0;f2;f9;f11;f13;f10;f14;12,50"));
    f[3] = QStringLiteral("7");
    EXPECT_TRUE(CardPaymentLine(QStringLiteral("355OK          ") + f.join(QLatin1Char(':')))
                    .endsWith(QStringLiteral(";0,07")));
    f[3] = QStringLiteral("45");
    EXPECT_TRUE(CardPaymentLine(ack358 + f.join(QLatin1Char(':'))).endsWith(QStringLiteral(";0,45")));
    EXPECT_EQ(CardPaymentLine(QStringLiteral("  356OK   ")), QStringLiteral("ccPay0 = 0,OK"));
    EXPECT_TRUE(CardPaymentLine(QStringLiteral("358OK")).isEmpty());
    EXPECT_TRUE(CardPaymentLine(QStringLiteral("OK")).isEmpty());
    // Data that starts within the first 15 characters is not an acknowledgement
    // the host's line can be made from.
    EXPECT_TRUE(CardPaymentLine(QStringLiteral("358OK:a:b:c:500")).isEmpty());
    // Too few fields: the line is still written, the missing fields empty.
    EXPECT_EQ(CardPaymentLine(ack358 + QStringLiteral("a:b:c:500")), QStringLiteral("ccPay0 = a;c;;;;;;5,00"));
}

TEST_F(CardPaymentTest, OrdinaryPaymentSendsSubtotalThenPayment)
{
    CardPayment(ecr, payFile).payAmount(QStringLiteral("500"), QStringLiteral("1"), QStringLiteral("0"));
    EXPECT_EQ(withoutStatus(), (QStringList{QStringLiteral("KXST"), QStringLiteral("KX500T1")}));
    EXPECT_EQ(ecr.sent.at(1).quiet, -1); // the subtotal is quiet
    EXPECT_FALSE(shared().cardFailure);
}

TEST_F(CardPaymentTest, CurrencySettingOverridesThePaymentNumberAndZeroMeansWholeTotal)
{
    CardPayment(ecr, payFile).payAmount(QStringLiteral("0"), QStringLiteral("5"), QStringLiteral("2"));
    EXPECT_EQ(withoutStatus(), (QStringList{QStringLiteral("KXST"), QStringLiteral("KXT2")}));
}

TEST_F(CardPaymentTest, AcceptedCardNeedsNoFallback)
{
    card(2, 1, 0, 1);
    ecr.script(QStringLiteral("KX500T2P1"), {{0, QStringLiteral("355OK:1:2:500")}});
    CardPayment(ecr, payFile).payAmount(QStringLiteral("500"), QStringLiteral("1"), QStringLiteral("0"));
    EXPECT_EQ(withoutStatus(), (QStringList{QStringLiteral("KXST"), QStringLiteral("KX500T2P1")}));
    EXPECT_EQ(ecr.sent.last().asyncWait, 200);
    EXPECT_FALSE(shared().cardFailure);
}

TEST_F(CardPaymentTest, DeclinedEveryTimeRetriesThenFallsBackAndTheNoticePrints)
{
    card(2, 1, 2, 1);
    ecr.script(QStringLiteral("KX500T2P1"), {{0, QStringLiteral("TRM:05")}});
    CardPayment pay(ecr, payFile);
    pay.payAmount(QStringLiteral("500"), QStringLiteral("1"), QStringLiteral("0"));
    EXPECT_EQ(withoutStatus(),
              (QStringList{QStringLiteral("KXST"), QStringLiteral("KX500T2P1"), QStringLiteral("KX500T2P1"),
                           QStringLiteral("KX500T2P1"), QStringLiteral("KX500T1")}));
    EXPECT_TRUE(shared().cardFailure);

    ecr.sent.clear();
    pay.FailureNotice();
    const QStringList notice = withoutStatus();
    ASSERT_EQ(notice.size(), 10);
    EXPECT_EQ(notice.at(0), QStringLiteral("KXCO ΠΡΟΣΟΧΗ!"));
    EXPECT_EQ(notice.at(2), QStringLiteral("KXCO    ΠΙΣΤ.ΚΑΡΤΩΝ ΠΟΥ ΑΠΕΤΥΧΑΝ"));
    EXPECT_EQ(notice.at(9), QStringLiteral("KXCO "));
    EXPECT_FALSE(shared().cardFailure);
}

TEST_F(CardPaymentTest, BusyTerminalPausesThreeSecondsAndRefusalStopsAtOnce)
{
    card(2, 1, 3, 1);
    ecr.script(QStringLiteral("KX500T2P1"), {{0, QStringLiteral("T:999")}, {0, QStringLiteral("CntFail")}});
    const qint64 before = Clock::instance().nowMs();
    CardPayment(ecr, payFile).payAmount(QStringLiteral("500"), QStringLiteral("1"), QStringLiteral("0"));
    EXPECT_GE(Clock::instance().nowMs() - before, 3000);
    EXPECT_EQ(withoutStatus().count(QStringLiteral("KX500T2P1")), 2);
    EXPECT_EQ(withoutStatus().last(), QStringLiteral("KX500T1"));
}

TEST_F(CardPaymentTest, FailedExchangeTriesAgainWithoutClassifying)
{
    card(2, 1, 1, 0);
    ecr.script(QStringLiteral("KX500T2P1"), {{-4, {}}, {0, QStringLiteral("358OK")}});
    CardPayment(ecr, payFile).payAmount(QStringLiteral("500"), QStringLiteral("1"), QStringLiteral("0"));
    EXPECT_EQ(withoutStatus().count(QStringLiteral("KX500T2P1")), 2);
    EXPECT_FALSE(shared().cardFailure);
}

TEST_F(CardPaymentTest, PreCollectionHasNoSubtotalAndNoFallback)
{
    card(9, 1, 0, 1);
    ecr.script(QStringLiteral("KXT9P1"), {{0, QStringLiteral("T:05")}});
    CardPayment(ecr, payFile).payAmount(QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("0"));
    EXPECT_EQ(withoutStatus(), (QStringList{QStringLiteral("KXT9P1")}));
    EXPECT_FALSE(shared().cardFailure);
}

TEST_F(CardPaymentTest, FallbackRefusedByTheEcrSetsNoFlag)
{
    card(2, 1, 0, 1);
    ecr.script(QStringLiteral("KX500T2P1"), {{0, QStringLiteral("CntFail")}});
    ecr.script(QStringLiteral("KX500T1"), {{1038, {}}});
    CardPayment(ecr, payFile).payAmount(QStringLiteral("500"), QStringLiteral("1"), QStringLiteral("0"));
    EXPECT_FALSE(shared().cardFailure);
}

TEST_F(CardPaymentTest, WholeTotalFormIsQuietAndRecordThreeIsAlwaysOrdinary)
{
    card(2, 1, 0, 0, 3);
    CardPayment pay(ecr, payFile);
    pay.payWholeTotal(3);
    EXPECT_EQ(withoutStatus(), (QStringList{QStringLiteral("KXST"), QStringLiteral("KXT3")}));
    EXPECT_EQ(ecr.sent.last().quiet, -1);

    ecr.sent.clear();
    card(2, 4, 0, 1, 2);
    ecr.script(QStringLiteral("KXT2P4"), {{0, QStringLiteral("T:04")}});
    pay.payWholeTotal(2);
    EXPECT_EQ(withoutStatus(), (QStringList{QStringLiteral("KXST"), QStringLiteral("KXT2P4"), QStringLiteral("KXT1")}));
    EXPECT_EQ(ecr.sent.at(ecr.sent.size() - 2).quiet, -1);
    EXPECT_EQ(ecr.sent.last().quiet, 0);
    EXPECT_TRUE(shared().cardFailure);
}

TEST_F(CardPaymentTest, UnreadablePaymentSettingsWarnAndPayOrdinarily)
{
    CardPayment(ecr, payFile).payAmount(QStringLiteral("500"), QStringLiteral("x"), QStringLiteral("0"));
    ASSERT_EQ(win.boxes.size(), 1);
    EXPECT_EQ(win.boxes.at(0), QStringLiteral("Μύνημα Dravimo: Αδυναμία ανάγνωσης παραμέτρων πληρωμών"));
    EXPECT_EQ(withoutStatus().last(), QStringLiteral("KX500T0"));
}

TEST(PaymentFile, RecordsAreFixedSizeAndUnwrittenOnesReadAsZero)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("payeft.dat"));
    ASSERT_EQ(WritePaymentType({5, 2, 1, -1, 2, 1}, path), 0);
    EXPECT_EQ(QFileInfo(path).size(), 5 * 128);
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(ReadPaymentTypeRecord(n, path), (PaymentType{0, 0, 0, 0, 0, 0})) << n;
    EXPECT_EQ(ReadPaymentTypeRecord(5, path), (PaymentType{5, 2, 1, -1, 2, 1}));
    EXPECT_EQ(ReadPaymentTypeRecord(9, path), (PaymentType{9, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(ReadPaymentTypeRecord(0, path));
    ASSERT_EQ(ClearPaymentType(5, path), 0);
    EXPECT_EQ(ReadPaymentTypeRecord(5, path), (PaymentType{5, 0, 0, 0, 0, 0}));
}

TEST(PaymentFile, DefaultDescriptions)
{
    clsPay d;
    EXPECT_EQ(DescribePayment(2, d), 0);
    EXPECT_EQ(d.PAY_Name(), QStringLiteral("Κάρτα"));
    d.PAY_type = 3;
    EXPECT_EQ(d.PAY_Name(), QStringLiteral("Κάρτα:ΠΡΟΦΟΡΤΩΜΕΝΗ"));
    clsPay none;
    EXPECT_EQ(DescribePayment(7, none), -1);
    EXPECT_EQ(DescribePayment(0, none), -1);
    EXPECT_FALSE(none.PAY_active);
}

TEST(CardReplyCheck, WritesTheLineToTheCurrentResultFile)
{
    QTemporaryDir dir;
    shared().resultFile = dir.filePath(QStringLiteral("result.txt"));
    ScriptedEcr ecr;
    InstallCardReplyCheck(ecr);
    ecr.cardReplyCheck(QStringLiteral("OK"));
    ecr.cardReplyCheck(QStringLiteral("356OK"));
    EXPECT_EQ(ReadTextFile(shared().resultFile).value_or(QString()), QStringLiteral("ccPay0 = 0,OK\r\n"));
    shared().resultFile.clear();
}
