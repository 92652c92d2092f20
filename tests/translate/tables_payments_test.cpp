// Table and payment lines: the commands they send, how they steer the sale
// path through the transfer flags, and when they stop the job.
#include "translate_fixture.h"

#include "core/files.h"
#include "translate/translator.h"

using namespace dravimo;
using namespace dravimo::test;

namespace {

const QString kQ = QStringLiteral(" [quiet]");

class LineTest : public TranslateTest
{
protected:
    static QString toLine(const QString &payment, const QString &amount)
    {
        return put(put(QStringLiteral(" tot"), 8, payment), 11, amount.rightJustified(9, QLatin1Char(' ')));
    }
    // Lines as the table codes lay them out: source at 7, target at 11.
    static QString tableLine(const QString &code, const QString &source, const QString &target = {})
    {
        return put(put(QLatin1Char(' ') + code, 7, source), 11, target);
    }
    LineResult runOne(const QString &line)
    {
        job().record.clearPerLine();
        return recogniseLine(job(), line);
    }
    QStringList sentWithoutStatus() const
    {
        QStringList out;
        for (const QString &c : ecr_.commandsWithQuiet())
            if (!c.startsWith(QLatin1String("KXSTAT")))
                out << c;
        return out;
    }
};

} // namespace

TEST_F(LineTest, AmountPaymentSendsSubtotalThenTheAmountInCents)
{
    runLines({toLine(QStringLiteral("1"), QStringLiteral("12.50"))});
    EXPECT_EQ(sentWithoutStatus(), (QStringList{QStringLiteral("KXST") + kQ, QStringLiteral("KX1250T1")}));
}

TEST_F(LineTest, ZeroAmountOrZeroPaymentNumberSendsNothing)
{
    runLines({toLine(QStringLiteral("1"), QStringLiteral("0.00")), toLine(QStringLiteral("0"), QStringLiteral("5.00")),
              toLine(QStringLiteral("x"), QStringLiteral("5.00"))});
    EXPECT_TRUE(ecr_.commandsWithQuiet().isEmpty());
    EXPECT_EQ(job().state.paymentLineCount, 3);
}

TEST_F(LineTest, SecondaryCurrencyPaysTheWholeTotalOnceWithPaymentTwo)
{
    settings_.currency = Currency::Secondary;
    runLines(
        {toLine(QStringLiteral("1"), QStringLiteral("5.00")), toLine(QStringLiteral("3"), QStringLiteral("7.00"))});
    EXPECT_EQ(sentWithoutStatus(), (QStringList{QStringLiteral("KXST") + kQ, QStringLiteral("KXT2")}));
}

TEST_F(LineTest, NonZeroSubtotalLineSilencesAWholeTotalPayment)
{
    settings_.currency = Currency::Secondary;
    runLines({codeLine(QStringLiteral("sut"), QStringLiteral("11.15")),
              toLine(QStringLiteral("1"), QStringLiteral("5.00"))});
    EXPECT_TRUE(ecr_.commandsWithQuiet().isEmpty());
    EXPECT_FALSE(job().state.zeroPayment);
}

TEST_F(LineTest, MainCurrencySettingPaysWithPaymentOne)
{
    settings_.currency = Currency::Main;
    runLines({toLine(QStringLiteral("3"), QStringLiteral("2.00"))});
    EXPECT_EQ(sentWithoutStatus().last(), QStringLiteral("KX200T1"));
}

TEST_F(LineTest, PayLineNeedsAnOpenReceiptAndANumber)
{
    ecr_.answer(QStringLiteral("KXSTAT"), 0, QStringLiteral("STAT:0"));
    runLines({codeLine(QStringLiteral("pay"), QStringLiteral("2"))});
    EXPECT_EQ(ecr_.commandsWithQuiet(), (QStringList{QStringLiteral("KXSTAT") + kQ}));

    ecr_.answer(QStringLiteral("KXSTAT"), 0, QStringLiteral("STAT:1"));
    runLines({codeLine(QStringLiteral("PAY"), QStringLiteral("ab"))});
    ASSERT_EQ(window_.boxes.size(), 1);
    EXPECT_TRUE(window_.boxes.at(0).text.startsWith(QStringLiteral("Λάθος Αριθμός πληρωμής στο αρχείο!")));

    ecr_.sent.clear();
    ecr_.answer(QStringLiteral("KXSTAT"), 0, QStringLiteral("STAT:1"));
    runLines({codeLine(QStringLiteral("pay"), QStringLiteral("2"))});
    EXPECT_EQ(sentWithoutStatus(), (QStringList{QStringLiteral("KXST") + kQ, QStringLiteral("KXT2") + kQ}));
}

TEST_F(LineTest, OpeningATableParksTheOtherOneFirst)
{
    ecr_.answer(QStringLiteral("KX?TO"), 0, QStringLiteral("TO:5"));
    ecr_.answer(QStringLiteral("KX?TO"), 0, QStringLiteral("TO:12"));
    const qint64 before = clock_.nowMs();
    EXPECT_EQ(runOne(put(QStringLiteral(" TBO"), 6, QStringLiteral("12"))), LineResult::Next);
    EXPECT_EQ(sentWithoutStatus(),
              (QStringList{QStringLiteral("KX?TO"), QStringLiteral("KXTO") + kQ, QStringLiteral("KX12TO") + kQ,
                           QStringLiteral("KX?TO")}));
    // 2 s before the query, 1.5 s after parking, 1 s after opening.
    EXPECT_EQ(clock_.nowMs() - before, 4500);
    EXPECT_EQ(job().state.openTable, QStringLiteral("12"));
}

TEST_F(LineTest, OpeningTheTableAlreadyOpenSendsTheOpenCommandOnly)
{
    ecr_.answer(QStringLiteral("KX?TO"), 0, QStringLiteral("TO:12"));
    ecr_.answer(QStringLiteral("KX?TO"), 0, QStringLiteral("TO:12"));
    EXPECT_EQ(runOne(put(QStringLiteral(" tbo"), 6, QStringLiteral("12"))), LineResult::Next);
    EXPECT_EQ(sentWithoutStatus(),
              (QStringList{QStringLiteral("KX?TO"), QStringLiteral("KX12TO") + kQ, QStringLiteral("KX?TO")}));
}

TEST_F(LineTest, TableThatDoesNotOpenStopsTheJobWithoutAMessage)
{
    ecr_.answer(QStringLiteral("KX12TO"), 1038);
    EXPECT_EQ(runOne(put(QStringLiteral(" TBO"), 6, QStringLiteral("12"))), LineResult::StopJob);
    EXPECT_TRUE(window_.boxes.isEmpty());
    EXPECT_EQ(runOne(put(QStringLiteral(" TBO"), 6, QStringLiteral("x2"))), LineResult::StopJob);
    ASSERT_EQ(window_.boxes.size(), 1);
    EXPECT_TRUE(window_.boxes.at(0).text.startsWith(QStringLiteral("Λάθος Αριθμός Τραπεζιού")));
}

TEST_F(LineTest, ClosingWithNoTableOpenTakesTheReceiptNumberFromTheClear)
{
    ecr_.answer(QStringLiteral("KXCL"), 0, QStringLiteral("CL:0:417"));
    EXPECT_EQ(runOne(put(QStringLiteral(" TBC"), 6, QStringLiteral("12"))), LineResult::Next);
    EXPECT_EQ(ecr_.commandsWithQuiet(), (QStringList{QStringLiteral("KX?TO"), QStringLiteral("KXCL")}));
    EXPECT_EQ(job().state.receiptNumber, 417);

    ecr_.sent.clear();
    ecr_.answer(QStringLiteral("KX?TO"), 0, QStringLiteral("TO:12"));
    runOne(put(QStringLiteral(" TBC"), 6, QStringLiteral("12")));
    EXPECT_EQ(ecr_.commandsWithQuiet(), (QStringList{QStringLiteral("KX?TO"), QStringLiteral("KXTO")}));
}

TEST_F(LineTest, PartialTransferForcesQuantityOneAndWrapsSalesUntilTheTableCloses)
{
    const QStringList sent = runLines({tableLine(QStringLiteral("TPT"), QStringLiteral("5"), QStringLiteral("7")),
                                       pluLine({QString(), QStringLiteral("COLA"), QStringLiteral("3"),
                                                QStringLiteral("2.00"), QStringLiteral("13"), QString()})});
    EXPECT_EQ(sent.mid(sent.indexOf(QStringLiteral("KXTRF"))),
              (QStringList{QStringLiteral("KXTRF"), QStringLiteral("KXFROM5TO7PAR"), QStringLiteral("KXTRF"),
                           QStringLiteral("KXPA200R2COLA"), QStringLiteral("KXTRFOK")}));
    EXPECT_TRUE(job().state.tableTransfer);

    ecr_.sent.clear();
    ecr_.answer(QStringLiteral("KX?TO"), 0, QStringLiteral("TO:7"));
    runOne(put(QStringLiteral(" TBC"), 6, QStringLiteral("7")));
    EXPECT_EQ(ecr_.commandsWithQuiet(),
              (QStringList{QStringLiteral("KX?TO"), QStringLiteral("KXTRFNO"), QStringLiteral("KXTRFOK")}));
    EXPECT_FALSE(job().state.tableTransfer);
}

TEST_F(LineTest, BadTransferNumbersStopTheJobAndTheTransferWritesItsErrLine)
{
    EXPECT_EQ(runOne(tableLine(QStringLiteral("TPT"), QStringLiteral("5"), QStringLiteral("zz"))), LineResult::StopJob);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("Result"))));
    EXPECT_EQ(runOne(tableLine(QStringLiteral("TBT"), QStringLiteral("ab"), QStringLiteral("3"))), LineResult::StopJob);
    EXPECT_EQ(readTextFile(path(QStringLiteral("Result"))).value_or(QString()),
              QStringLiteral("Err = -255, (Wrong Table Number) DateTime end = ") + kFixedDate + QStringLiteral("\r\n"));
    EXPECT_TRUE(ecr_.commandsWithQuiet().isEmpty());
    EXPECT_EQ(window_.boxes.size(), 2);
}

TEST_F(LineTest, RefusedTransferStopsTheJob)
{
    ecr_.answer(QStringLiteral("KXFROM5TO7"), 6);
    EXPECT_EQ(runOne(tableLine(QStringLiteral("TBT"), QStringLiteral("5"), QStringLiteral("7"))), LineResult::StopJob);
    EXPECT_EQ(ecr_.commandsWithQuiet(), (QStringList{QStringLiteral("KXTRF"), QStringLiteral("KXFROM5TO7")}));
}

TEST_F(LineTest, TableToPaymentWrapsSalesWithoutForcingTheQuantity)
{
    const QStringList sent = runLines({tableLine(QStringLiteral("tbs"), QStringLiteral("7")),
                                       pluLine({QString(), QStringLiteral("COLA"), QStringLiteral("3"),
                                                QStringLiteral("2.00"), QStringLiteral("13"), QString()})});
    EXPECT_EQ(sent.mid(sent.indexOf(QStringLiteral("KXPPAY"))),
              (QStringList{QStringLiteral("KXPPAY"), QStringLiteral("KXFROM7"), QStringLiteral("KX3.000* ") + kQ,
                           QStringLiteral("KXTRF"), QStringLiteral("KXPA200R2COLA"), QStringLiteral("KXTRFOK")}));
}

TEST_F(LineTest, TableListGoesToTheResultFile)
{
    ecr_.answer(QStringLiteral("KXREPTBL"), 0, QStringLiteral("TBL:3 7 12"));
    runLines({QStringLiteral(" ltb")});
    EXPECT_EQ(readTextFile(path(QStringLiteral("Result"))).value_or(QString()), QStringLiteral("tblList   = 3712\r\n"));
}
