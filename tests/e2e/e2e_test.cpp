// Dravimo and the simulator as two processes over a pseudo-terminal: the road
// of a print file from the host's folder to the register's paper and back to
// the host's result file.
#include "rig.h"

#include "core/files.h"
#include "greek/recipes.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace dravimo;
using namespace dravimo::test;

namespace {

constexpr int kJobTimeoutMs = 60000;

QString sampleReceipt()
{
    return readTextFile(QStringLiteral(DRAVIMO_SOURCE_DIR "/demo/receipt.prn")).value_or(QString());
}

// A one-item receipt paid in cash, with its own result file.
QString smallReceipt(const QString &resultFile, const QString &item)
{
    QString plu = QStringLiteral(" PLU ") + QString(14, QLatin1Char(' ')) + item.leftJustified(24, QLatin1Char(' '))
        + QString(4, QLatin1Char(' ')) + QStringLiteral("1").rightJustified(7, QLatin1Char(' ')) + QStringLiteral("  ")
        + QStringLiteral("2.00").rightJustified(9, QLatin1Char(' ')) + QStringLiteral("   ")
        + QStringLiteral("24").rightJustified(5, QLatin1Char(' '));
    return QStringLiteral(" resFile:  ") + resultFile + QStringLiteral("\r\n") + plu
        + QStringLiteral("\r\n tot   1       2.00\r\n");
}

// Starts both processes with the simulator scripted, prints one one-item
// receipt and returns its result lines (empty when it was not printed).
QStringList printOneItem(Rig &rig, const QStringList &scenario)
{
    if (!rig.startSimulator(scenario))
        return {};
    rig.writeSettings();
    if (!rig.startDravimo())
        return {};
    rig.drop(QStringLiteral("print.1"), smallReceipt(QStringLiteral("r.txt"), QStringLiteral("ITEM1")));
    if (!rig.waitGone(QStringLiteral("print.1"), kJobTimeoutMs))
        return {};
    return rig.resultLines(QStringLiteral("r.txt"));
}

// The commands of the last job: from the two clears that open it.
QStringList lastJob(const QStringList &commands)
{
    const qsizetype start = commands.lastIndexOf(QStringLiteral("KXCL"));
    return start < 1 ? commands : commands.mid(start - 1);
}

QString item(const QString &text)
{
    return Rig::traced(greek::itemTextConversion(text));
}

QString comment(const QString &text)
{
    return Rig::traced(greek::commentTextConversion(text));
}

} // namespace

TEST(EndToEnd, GreekReceiptTravelsFromThePrintFileToThePaperAndBack)
{
    Rig rig;
    rig.patient();
    ASSERT_TRUE(rig.startSimulator());
    rig.writeSettings();
    ASSERT_TRUE(rig.startDravimo());
    rig.drop(QStringLiteral("print.1"), sampleReceipt());
    ASSERT_TRUE(rig.waitGone(QStringLiteral("print.1"), kJobTimeoutMs)) << rig.dravimoErrors().toStdString();

    const QStringList expected = {
        QStringLiteral("KXCL"),
        QStringLiteral("KXCL"),
        QStringLiteral("KX2.000* "),
        QStringLiteral("KX350R2") + item(QStringLiteral("ΣΟΥΒΛΑΚΙ ΧΟΙΡΙΝΟ")),
        QStringLiteral("KX280R1") + item(QStringLiteral("ΚΑΦΕΣ ΦΡΕΝΤΟ")),
        QStringLiteral("KX3.000* "),
        QStringLiteral("KX50R2") + item(QStringLiteral("ΝΕΡΟ 500ML")),
        QStringLiteral("KX- "),
        QStringLiteral("KX1000% ") + item(QStringLiteral("Έκπτωση πελάτη")),
        QStringLiteral("KXCO ") + comment(QStringLiteral("Ευχαριστούμε πολύ!")),
        QStringLiteral("KXSTAT"),
        QStringLiteral("KXST"),
        QStringLiteral("KX1115T1"),
        QStringLiteral("KXSTAT"), // paid in full? a payment the register took may leave it open
        QStringLiteral("KXRE"),
        QStringLiteral("KXCO ") + QString(28, QLatin1Char('-')),
        QStringLiteral("KXCO ") + comment(QStringLiteral("Καλή σας ημέρα! Σας περιμένο")),
        QStringLiteral("KXCO ") + comment(QStringLiteral("υμε ξανά.")),
        QStringLiteral("KXCO "),
        QStringLiteral("KXCO "),
        QStringLiteral("KXCO "),
        QStringLiteral("KXCO "),
        QStringLiteral("KXCO "),
        QStringLiteral("KXCO "),
    };
    EXPECT_EQ(lastJob(rig.commands()), expected);

    EXPECT_EQ(rig.resultLines(QStringLiteral("result.txt")),
              (QStringList{QStringLiteral("tag = ΤΡΑΠΕΖΙ-7/ΠΑΡΑΓΓΕΛΙΑ-1001"), QStringLiteral("DateTime start = <date>"),
                           QStringLiteral("DateTime end = <date>"), QStringLiteral("recStatus = 0;"),
                           QStringLiteral("receipt = 00001, 1, 0"), QStringLiteral("exitcode = 0")}));

    // What the customer gets: readable Greek, the discount, the totals.
    const QString roll = rig.roll();
    EXPECT_TRUE(roll.contains(QStringLiteral("ΣOYBΛAKI XOIPINO      7,00 Β"))) << roll.toStdString();
    EXPECT_TRUE(roll.contains(QStringLiteral("ΕΚΠΤΩΣΗ 10,00%       -0,15 Β"))) << roll.toStdString();
    EXPECT_TRUE(roll.contains(QStringLiteral("ΣΥΝΟΛΟ                 11,15"))) << roll.toStdString();
    EXPECT_TRUE(roll.contains(QStringLiteral("ΜΕΤΡΗΤΑ                11,15"))) << roll.toStdString();
    // Written once the job has ended, just after its print file went.
    EXPECT_TRUE(rig.waitForText(QStringLiteral("receipt.txt"), QStringLiteral("1\r\n"), kJobTimeoutMs));
}

TEST(EndToEnd, BurstOfPrintFilesIsPrintedOnceEachInOrder)
{
    Rig rig;
    rig.patient();
    ASSERT_TRUE(rig.startSimulator());
    rig.writeSettings();
    // In place before the program even starts: they must wait for the
    // register, then go lowest number first, each exactly once. (Dropped
    // while it runs, a file could be taken before a lower one arrives.)
    for (int n : {3, 1, 4, 2})
        rig.drop(QStringLiteral("print.%1").arg(n),
                 smallReceipt(QStringLiteral("r%1.txt").arg(n), QStringLiteral("ITEM%1").arg(n)));
    ASSERT_TRUE(rig.startDravimo());
    for (int n = 1; n <= 4; ++n)
        ASSERT_TRUE(rig.waitGone(QStringLiteral("print.%1").arg(n), kJobTimeoutMs)) << n;

    QStringList sales;
    for (const QString &c : rig.commands())
        if (c.startsWith(QLatin1String("KX200R1")))
            sales << c.mid(7);
    EXPECT_EQ(sales,
              (QStringList{QStringLiteral("ITEM1"), QStringLiteral("ITEM2"), QStringLiteral("ITEM3"),
                           QStringLiteral("ITEM4")}));
    for (int n = 1; n <= 4; ++n) {
        const QStringList lines = rig.resultLines(QStringLiteral("r%1.txt").arg(n));
        EXPECT_EQ(lines.count(QStringLiteral("exitcode = 0")), 1) << n;
        EXPECT_EQ(lines.size(), 6) << n;
    }
    EXPECT_TRUE(rig.waitForText(QStringLiteral("receipt.txt"), QStringLiteral("4\r\n"), kJobTimeoutMs));
}

TEST(EndToEnd, OneShotRunTranslatesItsFileOnceAndEnds)
{
    Rig rig;
    rig.patient();
    ASSERT_TRUE(rig.startSimulator());
    rig.writeVatRates();
    writeTextFile(rig.path(QStringLiteral("ticket.prn")),
                  smallReceipt(rig.path(QStringLiteral("oneshot.txt")), QStringLiteral("ONESHOT")));
    ASSERT_TRUE(rig.startDravimo({QStringLiteral("com1:9600,9600,") + rig.path(QStringLiteral("ticket.prn"))
                                  + QStringLiteral(",0,mikro,0110000")}));
    EXPECT_EQ(rig.waitForDravimoExit(kJobTimeoutMs), 0) << rig.dravimoErrors().toStdString();
    EXPECT_FALSE(QFile::exists(rig.path(QStringLiteral("ticket.prn"))));
    EXPECT_EQ(rig.commands().count(QStringLiteral("KX200R1ONESHOT")), 1);
    EXPECT_EQ(rig.resultLines(QStringLiteral("oneshot.txt")).count(QStringLiteral("exitcode = 0")), 1);
}

TEST(EndToEnd, RefusedSaleIsReportedAndTheJobGoesOn)
{
    Rig rig;
    const QStringList lines = printOneItem(rig, {QStringLiteral("error 1091 KX200R1ITEM1 times 1")});
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.contains(QStringLiteral("Err = 1091, [KX200R1ITEM1] DateTime = <date>")))
        << lines.join(QLatin1Char('|')).toStdString();
    // The receipt is without the item: the host is told.
    EXPECT_EQ(lines.last(), QStringLiteral("exitcode = 3"));
    // The register was cleared after the refusal, and the operator was told.
    const QStringList commands = rig.commands();
    const qsizetype refused = commands.indexOf(QStringLiteral("KX200R1ITEM1"));
    ASSERT_GE(refused, 0);
    EXPECT_EQ(commands.value(refused + 1), QStringLiteral("KXCL"));
    const QString boxes = QString::fromUtf8(rig.dravimoErrors());
    EXPECT_TRUE(boxes.contains(QStringLiteral("Υπέρβαση Ορίου τιμής!"))) << boxes.toStdString();
}

TEST(EndToEnd, PaperOutAtASaleIsWaitedOutAndTheSaleSentAgain)
{
    Rig rig;
    // The paper runs out at the sale and is loaded three seconds later.
    const QStringList lines = printOneItem(
        rig, {QStringLiteral("on KX200R1ITEM1 paper out"), QStringLiteral("on KX200R1ITEM1 after 3000 paper loaded")});
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.contains(QStringLiteral("Ecr Err:2, Τέλος Χαρτιού !, <date>")))
        << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("Ecr Err: Cleared OK, <date>")));
    EXPECT_EQ(lines.last(), QStringLiteral("exitcode = 0")) << lines.join(QLatin1Char('|')).toStdString()
                                                           << rig.commands().join(QLatin1Char('|')).toStdString();
    // The refused sale was sent again once the paper was in: on the receipt
    // once, paid in full.
    EXPECT_EQ(rig.commands().count(QStringLiteral("KX200R1ITEM1")), 2);
    EXPECT_EQ(rig.roll().count(QStringLiteral("ITEM1")), 1) << rig.roll().toStdString();
    EXPECT_TRUE(rig.roll().contains(QStringLiteral("ΜΕΤΡΗΤΑ                 2,00"))) << rig.roll().toStdString();
}

TEST(EndToEnd, PaperOutInTheMiddleOfAReceiptStillEndsInItsPayment)
{
    Rig rig;
    // The paper runs out after the sale, just as the payment asks for the
    // register's status, and is loaded two seconds later; the receipt is
    // still open then, which is no error.
    const QStringList lines =
        printOneItem(rig, {QStringLiteral("on KXSTAT paper out"), QStringLiteral("on KXSTAT after 2000 paper loaded")});
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.contains(QStringLiteral("Ecr Err:2, Τέλος Χαρτιού !, <date>")))
        << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("Ecr Err: Cleared OK, <date>")));
    EXPECT_EQ(lines.last(), QStringLiteral("exitcode = 0"));
    EXPECT_EQ(rig.commands().count(QStringLiteral("KX200T1")), 1);
    EXPECT_TRUE(rig.roll().contains(QStringLiteral("ΜΕΤΡΗΤΑ                 2,00"))) << rig.roll().toStdString();
}

namespace {

// A receipt of one item ITEM1 at 2.00, its quantity and payment as given,
// with any lines between the sale and the payment.
QString item1(const QString &quantity)
{
    return QStringLiteral(" PLU ") + QString(14, QLatin1Char(' '))
        + QStringLiteral("ITEM1").leftJustified(24, QLatin1Char(' ')) + QString(4, QLatin1Char(' '))
        + quantity.rightJustified(7, QLatin1Char(' ')) + QStringLiteral("  ")
        + QStringLiteral("2.00").rightJustified(9, QLatin1Char(' ')) + QStringLiteral("   ")
        + QStringLiteral("24").rightJustified(5, QLatin1Char(' ')) + QStringLiteral("\r\n");
}

QString receiptOf(const QString &quantity, const QString &between, const QString &payment)
{
    return QStringLiteral(" resFile:  r.txt\r\n") + item1(quantity) + between + QStringLiteral(" tot   1  ")
        + payment.rightJustified(9, QLatin1Char(' ')) + QStringLiteral("\r\n");
}

// ITEM1 keyed onto table 5, which is then put aside.
QString tableOrder()
{
    return QStringLiteral(" resFile:  r.txt\r\n TBO 5\r\n") + item1(QStringLiteral("1")) + QStringLiteral(" TBC 5\r\n");
}

} // namespace

// Refusals as the register and a bad line deliver them: one waited out leaves
// the receipt as the file asked and "exitcode = 0"; one that stands, or a
// receipt left open, is never reported as success.
TEST(EndToEnd, RefusalsEndInTheReceiptTheFileAskedForOrTellTheHost)
{
    struct Row
    {
        const char *name;
        QStringList scenario;
        QString printFile;
        QString exitLine;
        QStringList onRoll;   // each once on the paper roll
        QStringList notOnRoll;
        QString resultLine;   // a line the result file must hold, if any
    };
    const QString paperOut = QStringLiteral(" paper out");
    const QString loaded = QStringLiteral(" after 3000 paper loaded");
    const QString discount = QStringLiteral(" mod  -0.50     OFFER\r\n");
    const QList<Row> rows = {
        // The quantity key the clear dropped is keyed again before the sale.
        {"paper out at a sale of two",
         {QStringLiteral("on KX200R1ITEM1") + paperOut, QStringLiteral("on KX200R1ITEM1") + loaded},
         receiptOf(QStringLiteral("2"), {}, QStringLiteral("4.00")),
         QStringLiteral("exitcode = 0"),
         {QStringLiteral("ITEM1"), QStringLiteral("ΣΥΝΟΛΟ                  4,00")},
         {},
         {}},
        // The minus key too: the discount must not go in as a surcharge.
        {"paper out at a discount",
         {QStringLiteral("on re:KX0*50GE.*") + paperOut, QStringLiteral("on re:KX0*50GE.*") + loaded},
         receiptOf(QStringLiteral("1"), discount, QStringLiteral("1.50")),
         QStringLiteral("exitcode = 0"),
         {QStringLiteral("-0,50"), QStringLiteral("ΣΥΝΟΛΟ                  1,50")},
         {},
         {}},
        {"paper out at a payment",
         {QStringLiteral("on KX200T1") + paperOut, QStringLiteral("on KX200T1") + loaded},
         receiptOf(QStringLiteral("1"), {}, QStringLiteral("2.00")),
         QStringLiteral("exitcode = 0"),
         {QStringLiteral("ΜΕΤΡΗΤΑ                 2,00")},
         {},
         QStringLiteral("Ecr Err: Cleared OK, <date>")},
        {"DE6 at a sale",
         {QStringLiteral("error 6 KX200R1ITEM1 times 1")},
         receiptOf(QStringLiteral("1"), {}, QStringLiteral("2.00")),
         QStringLiteral("exitcode = 3"),
         {},
         {QStringLiteral("ITEM1")},
         QStringLiteral("Err = 6, [KX200R1ITEM1] DateTime = <date>")},
        // Taken as success before: the reply was judged by its first bytes.
        {"noise before DE1031",
         {QStringLiteral("on KX200R1ITEM1 garbage hex:007f times 1"), QStringLiteral("error 1031 KX200R1ITEM1 times 1")},
         receiptOf(QStringLiteral("1"), {}, QStringLiteral("2.00")),
         QStringLiteral("exitcode = 3"),
         {},
         {QStringLiteral("ITEM1")},
         QStringLiteral("Err = 1031, [KX200R1ITEM1] DateTime = <date>")},
        {"code split across reads",
         {QStringLiteral("on KX200R1ITEM1 split 4 times 1"), QStringLiteral("error 1091 KX200R1ITEM1 times 1")},
         receiptOf(QStringLiteral("1"), {}, QStringLiteral("2.00")),
         QStringLiteral("exitcode = 3"),
         {},
         {QStringLiteral("ITEM1")},
         QStringLiteral("Err = 1091, [KX200R1ITEM1] DateTime = <date>")},
        // The table is put aside once the paper is in: not left open for keying.
        {"paper out at KXTO",
         {QStringLiteral("on KXTO") + paperOut, QStringLiteral("on KXTO") + loaded},
         tableOrder(),
         QStringLiteral("exitcode = 0"),
         {},
         {},
         QStringLiteral("Ecr Err: Cleared OK, <date>")},
        // Refused for good: every later sale would land on that table.
        {"KXTO refused",
         {QStringLiteral("error 6 KXTO times 1")},
         tableOrder(),
         QStringLiteral("exitcode = 2"),
         {},
         {},
         QStringLiteral("Err = 6, [KXTO] DateTime = <date>")},
        // Accepted by the register, yet the receipt stays open.
        {"short payment",
         {},
         receiptOf(QStringLiteral("1"), {}, QStringLiteral("1.00")),
         QStringLiteral("exitcode = 2"),
         {QStringLiteral("ITEM1")},
         {},
         {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig;
        ASSERT_TRUE(rig.startSimulator(row.scenario));
        rig.writeSettings();
        ASSERT_TRUE(rig.startDravimo());
        rig.drop(QStringLiteral("print.1"), row.printFile);
        ASSERT_TRUE(rig.waitGone(QStringLiteral("print.1"), kJobTimeoutMs));
        const QStringList lines = rig.resultLines(QStringLiteral("r.txt"));
        const std::string shown = lines.join(QLatin1Char('|')).toStdString();
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.last(), row.exitLine) << shown;
        if (!row.resultLine.isEmpty()) {
            EXPECT_TRUE(lines.contains(row.resultLine)) << shown;
        }
        const QString roll = rig.roll();
        for (const QString &text : row.onRoll)
            EXPECT_EQ(roll.count(text), 1) << text.toStdString() << "\n" << roll.toStdString();
        for (const QString &text : row.notOnRoll)
            EXPECT_EQ(roll.count(text), 0) << text.toStdString() << "\n" << roll.toStdString();
    }
}

namespace {

// A receipt of one item sold twice with an item code, a discount on it and a
// cash payment, its amounts written as given.
QString codedReceipt(const QString &price, const QString &discount, const QString &payment)
{
    const QString plu = QStringLiteral(" PLU 123           ")
        + QStringLiteral("ITEM").leftJustified(24, QLatin1Char(' ')) + QString(4, QLatin1Char(' '))
        + QStringLiteral("2").rightJustified(7, QLatin1Char(' ')) + QStringLiteral("  ")
        + price.rightJustified(9, QLatin1Char(' ')) + QStringLiteral("   ")
        + QStringLiteral("24").rightJustified(5, QLatin1Char(' '));
    return QStringLiteral(" resFile:  r.txt\r\n") + plu + QStringLiteral("\r\n mod  ")
        + discount.leftJustified(10, QLatin1Char(' ')) + QStringLiteral("OFFER\r\n tot   1  ")
        + payment.rightJustified(9, QLatin1Char(' ')) + QStringLiteral("\r\n");
}

} // namespace

// One decimal is the amount as written: the one-decimal file sends the
// register the same commands as the two-decimal one, and with an item code
// (no quantity command on that path) 2 x 1,50 is booked as 3,00.
TEST(EndToEnd, OneDecimalAmountsBookTheSameReceiptAsTwoDecimals)
{
    Rig rig;
    rig.patient();
    ASSERT_TRUE(rig.startSimulator());
    rig.writeSettings(QStringLiteral("true N"));
    ASSERT_TRUE(rig.startDravimo());
    rig.drop(QStringLiteral("print.1"),
             codedReceipt(QStringLiteral("1.50"), QStringLiteral("-0.50"), QStringLiteral("2.50")));
    ASSERT_TRUE(rig.waitGone(QStringLiteral("print.1"), kJobTimeoutMs)) << rig.dravimoErrors().toStdString();
    const QStringList twoDecimals = lastJob(rig.commands());
    rig.drop(QStringLiteral("print.1"),
             codedReceipt(QStringLiteral("1.5"), QStringLiteral("-0.5"), QStringLiteral("2.5")));
    ASSERT_TRUE(rig.waitGone(QStringLiteral("print.1"), kJobTimeoutMs)) << rig.dravimoErrors().toStdString();

    EXPECT_EQ(lastJob(rig.commands()), twoDecimals);
    EXPECT_TRUE(twoDecimals.contains(QStringLiteral("KX300R1ITEM                    ")))
        << twoDecimals.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(rig.resultLines(QStringLiteral("r.txt")).count(QStringLiteral("exitcode = 0")), 2);
    const QString roll = rig.roll();
    EXPECT_EQ(roll.count(QStringLiteral("ITEM                  3,00 Α")), 2) << roll.toStdString();
    EXPECT_EQ(roll.count(QStringLiteral("ΣΥΝΟΛΟ                  2,50")), 2) << roll.toStdString();
}

// A card the terminal declines leaves its line in the result file even when
// the configured fallback (cash) closes the receipt.
TEST(EndToEnd, DeclinedCardWithAFallbackIsReported)
{
    Rig rig;
    // Payment 1 plain cash; payment 3 a card on terminal 1, booked as ECR
    // payment 2, no retries, falling back to cash.
    QByteArray payeft(3 * 128, '\0');
    const qint16 record[] = {3, 2, 1, -1, 0, 1};
    for (int i = 0; i < 6; ++i) {
        payeft[2 * 128 + 2 * i] = char(record[i] & 0xFF);
        payeft[2 * 128 + 2 * i + 1] = char((record[i] >> 8) & 0xFF);
    }
    QFile file(rig.path(QStringLiteral("payeft.dat")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(payeft);
    file.close();
    ASSERT_TRUE(rig.startSimulator({QStringLiteral("card code 05")}));
    rig.writeSettings();
    ASSERT_TRUE(rig.startDravimo());
    QString receipt = smallReceipt(QStringLiteral("r.txt"), QStringLiteral("ITEM1"));
    receipt.replace(QStringLiteral(" tot   1"), QStringLiteral(" tot   3"));
    rig.drop(QStringLiteral("print.1"), receipt);
    ASSERT_TRUE(rig.waitGone(QStringLiteral("print.1"), kJobTimeoutMs)) << rig.dravimoErrors().toStdString();

    const QStringList lines = rig.resultLines(QStringLiteral("r.txt"));
    EXPECT_EQ(lines.count(QStringLiteral("Err = -7, [KX200T2P1] DateTime = <date>")), 1)
        << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(lines.value(lines.size() - 1), QStringLiteral("exitcode = 0"));
    EXPECT_EQ(rig.commands().count(QStringLiteral("KX200T1")), 1);
    EXPECT_TRUE(rig.roll().contains(QStringLiteral("ΜΕΤΡΗΤΑ                 2,00"))) << rig.roll().toStdString();
}
