// Discounts and surcharges ("dis", "mod"), comment and cancel lines, the
// footer, and the pass-through lines.
#include "translate_fixture.h"

#include "core/files.h"

using namespace dravimo;
using namespace dravimo::test;

namespace {

const QString kQ = QStringLiteral(" [quiet]");

QString modLine(const QString &value, const QString &description = QStringLiteral("OFFER"))
{
    return put(codeLine(QStringLiteral("mod"), value), 17, description);
}

struct LineCase
{
    const char *name;
    QString line;
    QStringList expected;
};

void PrintTo(const LineCase &c, std::ostream *os)
{
    *os << c.name;
}

class ModifierLines : public TranslateTest, public ::testing::WithParamInterface<LineCase>
{};

TEST_P(ModifierLines, SendExactlyTheseCommands)
{
    EXPECT_EQ(runLines({GetParam().line}), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Translate, ModifierLines,
    ::testing::Values(LineCase{"SubtotalDiscount",
                               codeLine(QStringLiteral("dis"), QStringLiteral("1.50")),
                               {QStringLiteral("KXST") + kQ, QStringLiteral("KXST"), QStringLiteral("KX- "),
                                QStringLiteral("KX150GE")}},
                      LineCase{"NegativeDiscountIsASurcharge",
                               codeLine(QStringLiteral("dis"), QStringLiteral("-1.50")),
                               {QStringLiteral("KXST"), QStringLiteral("KX150GE")}},
                      LineCase{"ZeroDiscountSendsNothing", codeLine(QStringLiteral("dis"), QStringLiteral("0.00")), {}},
                      LineCase{"PercentDiscount",
                               modLine(QStringLiteral("-10%")),
                               {QStringLiteral("KX- "), QStringLiteral("KX10% OFFER")}},
                      LineCase{"PercentDiscountWithDecimals",
                               modLine(QStringLiteral("-10.00%")),
                               {QStringLiteral("KX- "), QStringLiteral("KX1000% OFFER")}},
                      LineCase{"PercentSurcharge", modLine(QStringLiteral("5%")), {QStringLiteral("KX5% OFFER")}},
                      LineCase{"ZeroPercentSendsNothing", modLine(QStringLiteral("0%")), {}},
                      LineCase{"ZeroPercentDiscountSendsNothing", modLine(QStringLiteral("-0%")), {}},
                      LineCase{"AmountSurcharge", modLine(QStringLiteral("2.00")), {QStringLiteral("KX200GEOFFER")}},
                      LineCase{"AmountDiscount",
                               modLine(QStringLiteral("-1,50")),
                               {QStringLiteral("KX- "), QStringLiteral("KX150GEOFFER")}},
                      LineCase{"ZeroAmountSendsNothing", modLine(QStringLiteral("0.00")), {}},
                      LineCase{"NonNumericModifierIsSkipped", modLine(QStringLiteral("1O%")), {}},
                      LineCase{"PercentSignInTheMiddleIsSkipped", modLine(QStringLiteral("1%0")), {}},
                      LineCase{"GreekModifierText",
                               modLine(QStringLiteral("-10%"), QStringLiteral("έκπτωση")),
                               {QStringLiteral("KX- "), QStringLiteral("KX10% ") + bytes("EK\x8AT\x8D\x66H")}},
                      LineCase{
                          "UnknownModifierCaseIsIgnored", codeLine(QStringLiteral("Dis"), QStringLiteral("1.50")), {}}),
    [](const ::testing::TestParamInfo<LineCase> &info) { return std::string(info.param.name); });

TEST_F(TranslateTest, Pos21ModifiersCarryNoText)
{
    settings_.ecrModel = EcrModel::Pos21;
    EXPECT_EQ(runLines({modLine(QStringLiteral("-10%")), modLine(QStringLiteral("2.00"))}),
              (QStringList{QStringLiteral("KX- "), QStringLiteral("KX10% "), QStringLiteral("KX200GE")}));
}

TEST_F(TranslateTest, CommentAndCancelLines)
{
    const QString longText = QStringLiteral("thank you, come again soon please");
    EXPECT_EQ(runLines({codeLine(QStringLiteral("com"), longText), codeLine(QStringLiteral("frt")),
                        codeLine(QStringLiteral("can"), QStringLiteral("abc")),
                        codeLine(QStringLiteral("can"), QStringLiteral("  12  ")),
                        codeLine(QStringLiteral("can"), QStringLiteral("x")), codeLine(QStringLiteral("voi"))}),
              (QStringList{QStringLiteral("KXCO THANK YOU, COME AGAIN SOON P"), QStringLiteral("KXCO "),
                           QStringLiteral("KXCO "), QStringLiteral("KXCO "), QStringLiteral("KX@215T0"),
                           QStringLiteral("KXCL"), QStringLiteral("KX@215T12"), QStringLiteral("KXCL"),
                           QStringLiteral("KX@215T12"), QStringLiteral("KXCL"), QStringLiteral("KXVOID"),
                           QStringLiteral("KXCL")}));
}

TEST_F(TranslateTest, GreekCommentInTheEcrCharacterSet)
{
    EXPECT_EQ(runLines({codeLine(QStringLiteral("com"), QStringLiteral("Καλά Χριστούγεννα"))}),
              QStringList{QStringLiteral("KXCO ")
                          + bytes("KA\x88"
                                  "A XPIfTOY\x85"
                                  "ENNA")});
}

// With comment lines off every comment-type line is left out.
TEST_F(TranslateTest, CommentGate)
{
    const QStringList lines = {codeLine(QStringLiteral("com"), QStringLiteral("HELLO")),
                               codeLine(QStringLiteral("frt")), codeLine(QStringLiteral("can"), QStringLiteral("3")),
                               codeLine(QStringLiteral("voi")), codeLine(QStringLiteral("foo"), QStringLiteral("BYE"))};
    settings_.commentLines = false;
    EXPECT_TRUE(runLines(lines).isEmpty());
    EXPECT_TRUE(job().state.footerLines.isEmpty());
    settings_.commentLines = true;
    job_.reset();
    EXPECT_EQ(runLines(lines).size(), 1 + 3 + 2 + 2);
    EXPECT_EQ(job().state.footerLines, QStringList{QStringLiteral("BYE")});
}

// 60 characters make three footer lines: the separator, the three lines and
// five empty lines, nine in all.
TEST_F(TranslateTest, FooterOfSixtyCharacters)
{
    const QString text = QString(28, QLatin1Char('A')) + QString(28, QLatin1Char('B')) + QStringLiteral("CCCC");
    runLines({codeLine(QStringLiteral("foo"), text)});
    ecr_.sent.clear();
    printFooter(job());
    QStringList expected = {QStringLiteral("KXCO ") + QString(28, QLatin1Char('-')) + kQ,
                            QStringLiteral("KXCO ") + QString(28, QLatin1Char('A')) + QStringLiteral("\r\n"),
                            QStringLiteral("KXCO ") + QString(28, QLatin1Char('B')) + QStringLiteral("\r\n"),
                            QStringLiteral("KXCO CCCC\r\n")};
    for (int i = 0; i < 5; ++i)
        expected.append(QStringLiteral("KXCO "));
    EXPECT_EQ(ecr_.commandsWithQuiet(), expected);
    // Printed once: the lines are gone afterwards.
    ecr_.sent.clear();
    printFooter(job());
    EXPECT_TRUE(ecr_.sent.isEmpty());
}

TEST_F(TranslateTest, FooterKeepsSixLinesAndNeedsNoPaddingPastEight)
{
    const QString full = QString(200, QLatin1Char('X'));
    runLines({codeLine(QStringLiteral("foo"), full), codeLine(QStringLiteral("foo"), QStringLiteral("   ")),
              codeLine(QStringLiteral("foo"), QString(60, QLatin1Char('Y')))});
    // 168 characters of the first line survive, in six lines; the blank line
    // is kept but not printed.
    EXPECT_EQ(job().state.footerLines.size(), 6 + 1 + 3);
    ecr_.sent.clear();
    printFooter(job());
    EXPECT_EQ(ecr_.sent.size(), 1 + 9);
    EXPECT_EQ(ecr_.commandsWithQuiet().last(),
              QStringLiteral("KXCO ") + QString(4, QLatin1Char('Y')) + QStringLiteral("\r\n"));
}

TEST_F(TranslateTest, ProgrammingLines)
{
    EXPECT_EQ(runLines({put(QStringLiteral(" PRG"), 6, QStringLiteral("  kyxyz  ")),
                        put(QStringLiteral(" prg"), 6, QStringLiteral("0T1")),
                        put(QStringLiteral(" Prg"), 6, QStringLiteral("0T1")),
                        put(QStringLiteral(" PRG"), 6, QStringLiteral("10plΣΟΥΒΛΑΚΙ"))}),
              (QStringList{QStringLiteral("KYXYZ"), QStringLiteral("KX0T1"),
                           QStringLiteral("KX10PL")
                               + bytes("\x66OYB\x88"
                                       "AKI")}));
    EXPECT_EQ(ecr_.sent.first().quiet, Quiet::No);
}

// The reply comes back to the host on one line, untrimmed command and all.
TEST_F(TranslateTest, SendLinesReportTheReply)
{
    ecr_.answer(QStringLiteral("KXRE  "), 0, QStringLiteral("RE:1:2\nRE:3:4"));
    ecr_.answer(QStringLiteral("KXBAD"), 7, QStringLiteral("7"));
    EXPECT_EQ(runLines({codeLine(QStringLiteral("snd"), QStringLiteral("RE  ")),
                        codeLine(QStringLiteral("snd"), QStringLiteral("BAD"))}),
              (QStringList{QStringLiteral("KXRE  ") + kQ, QStringLiteral("KXBAD") + kQ}));
    const auto result = readTextFile(QStringLiteral("Result"));
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, QStringLiteral("sndReply = 0;RE:1:2~RE:3:4\r\nsndReply = 7;7\r\n"));
}

TEST_F(TranslateTest, ZReportLineRunsTheReport)
{
    int reports = 0;
    job().zReport = [&reports](EcrLink &) { ++reports; };
    runLines({QStringLiteral(" MKZ"), QStringLiteral("xmkz"), QStringLiteral(" MkZ"), QStringLiteral(" MK")});
    EXPECT_EQ(reports, 3);
    EXPECT_TRUE(ecr_.sent.isEmpty());
}

} // namespace
