// The keyboard language: every command form the program sends is recognised
// with the right fields, including the ones that look alike.
#include "sim/command.h"

#include "greek/cp1253.h"

#include <gtest/gtest.h>

using namespace dravimo;
using namespace dravimo::sim;

namespace {

struct Case
{
    const char *name;
    QString raw;
    Key key;
    qint64 amount = -1;
    int number = 0;
    int number2 = 0;
    QString text = QString();
};

class CommandParse : public ::testing::TestWithParam<Case>
{};

TEST_P(CommandParse, Fields)
{
    const Case &c = GetParam();
    const Command cmd = parseCommand(c.raw);
    EXPECT_EQ(int(cmd.key), int(c.key));
    EXPECT_EQ(cmd.amount, c.amount);
    EXPECT_EQ(cmd.number, c.number);
    EXPECT_EQ(cmd.number2, c.number2);
    EXPECT_EQ(cmd.text.toStdString(), c.text.toStdString());
}

const QString kACode =
    QStringLiteral("KX10PLK") + cp1253::decode(QByteArray("\x8d\x86:")) + QStringLiteral("00000000012345");

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandParse,
    ::testing::Values(
        Case{"minus", QStringLiteral("KX- "), Key::Minus},
        Case{"quantity", QStringLiteral("KX2.000* "), Key::Quantity, 2000},
        Case{"quantity_half", QStringLiteral("KX0.500* "), Key::Quantity, 500},
        Case{"quantity_blank", QStringLiteral("KX.000* "), Key::Quantity, 0},
        Case{"sale", QStringLiteral("KX150R2WATER"), Key::Sale, 150, 2, 0, QStringLiteral("WATER")},
        // The space the program puts before a description that starts with a
        // digit keeps the digit out of the department.
        Case{"sale_digit_text", QStringLiteral("KX150R2 7UP"), Key::Sale, 150, 2, 0, QStringLiteral("7UP")},
        Case{"sale_no_text", QStringLiteral("KX100R8"), Key::Sale, 100, 8},
        Case{"department_key", QStringLiteral("KX2PL"), Key::DepartmentKey, -1, 2},
        Case{"department_ten", QStringLiteral("KX10PL"), Key::DepartmentKey, -1, 10},
        Case{"text_line", QStringLiteral("KX10PLHELLO"), Key::TextLine, -1, 10, 0, QStringLiteral("HELLO")},
        Case{"a_code", kACode, Key::TextLine, -1, 10, 0, kACode.mid(6)},
        Case{"price_ac", QStringLiteral("KX150ACWATER"), Key::EntryAC, 150, 0, 0, QStringLiteral("WATER")},
        Case{"n_code", QStringLiteral("KX0012345AC"), Key::EntryAC, 12345},
        Case{"amount_modifier", QStringLiteral("KX150GE"), Key::AmountModifier, 150},
        Case{"amount_modifier_text", QStringLiteral("KX200GEEXTRA"), Key::AmountModifier, 200, 0, 0,
             QStringLiteral("EXTRA")},
        Case{"percent", QStringLiteral("KX1000% "), Key::PercentModifier, 1000},
        Case{"percent_text", QStringLiteral("KX10% PROMO"), Key::PercentModifier, 10, 0, 0, QStringLiteral("PROMO")},
        Case{"subtotal", QStringLiteral("KXST"), Key::Subtotal}, Case{"status", QStringLiteral("KXSTAT"), Key::Status},
        Case{"comment", QStringLiteral("KXCO  HELLO  "), Key::Comment, -1, 0, 0, QStringLiteral(" HELLO")},
        Case{"comment_empty", QStringLiteral("KXCO "), Key::Comment},
        Case{"cancel", QStringLiteral("KX@215T3"), Key::Cancel, -1, 3},
        Case{"void", QStringLiteral("KXVOID"), Key::Void},
        Case{"payment", QStringLiteral("KX1250T1"), Key::Payment, 1250, 1},
        Case{"payment_whole", QStringLiteral("KXT2"), Key::Payment, -1, 2},
        Case{"report_like", QStringLiteral("KX021T1"), Key::Payment, 21, 1},
        Case{"card", QStringLiteral("KX1250T2P1"), Key::CardPayment, 1250, 2, 1},
        Case{"card_whole", QStringLiteral("KXT2P1"), Key::CardPayment, -1, 2, 1},
        Case{"transfer_arm", QStringLiteral("KXTRF"), Key::TransferArm},
        Case{"transfer_item", QStringLiteral("KXPA150R2WATER"), Key::TransferItem, 150, 2, 0, QStringLiteral("WATER")},
        Case{"transfer_ok", QStringLiteral("KXTRFOK"), Key::TransferOk},
        Case{"transfer_no", QStringLiteral("KXTRFNO"), Key::TransferNo},
        Case{"open_table", QStringLiteral("KX12TO"), Key::OpenTable, -1, 12},
        Case{"close_table", QStringLiteral("KXTO"), Key::CloseTable},
        Case{"move_table", QStringLiteral("KXFROM3TO5"), Key::MoveTable, -1, 3, 5},
        Case{"move_part", QStringLiteral("KXFROM3TO5PAR"), Key::MoveTable, -1, 3, 5},
        Case{"pay_table", QStringLiteral("KXPPAY"), Key::PayTableArm},
        Case{"from_table", QStringLiteral("KXFROM7"), Key::FromTable, -1, 7},
        Case{"query_table", QStringLiteral("KX?TO"), Key::QueryOpenTable},
        Case{"table_report", QStringLiteral("KXREP12TBL"), Key::TableReport, -1, 12},
        Case{"table_list", QStringLiteral("KXREPTBL"), Key::TableList},
        Case{"receipt_numbers", QStringLiteral("KXRE"), Key::ReceiptNumbers},
        Case{"clear", QStringLiteral("KXCL"), Key::Clear}, Case{"setting", QStringLiteral("KX794ST"), Key::Setting794},
        Case{"no_reply", QStringLiteral("KX794ST\r"), Key::Silent794},
        Case{"programming", QStringLiteral("KYXYZ"), Key::Programming, -1, 0, 0, QStringLiteral("XYZ")},
        Case{"too_long", QStringLiteral("KX12345678901R1X"), Key::TooLong},
        Case{"unknown_prefix", QStringLiteral("HELLO"), Key::Unknown},
        Case{"unknown_key", QStringLiteral("KXWHAT"), Key::Unknown},
        Case{"lower_case", QStringLiteral("kxcl"), Key::Unknown}),
    [](const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

TEST(CommandParse, MoveTableRemembersPartial)
{
    EXPECT_TRUE(parseCommand(QStringLiteral("KXFROM3TO5PAR")).partial);
    EXPECT_FALSE(parseCommand(QStringLiteral("KXFROM3TO5")).partial);
}

TEST(CommandParse, ItemCodeKeepsLeadingZeros)
{
    EXPECT_EQ(parseCommand(QStringLiteral("KX0012345AC")).digits.toStdString(), "0012345");
}

} // namespace
