// Recovery decides by what a command does to the register: the commands the
// translator really sends must land in the right kind.
#include "translate/commandkinds.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace dravimo {
namespace {

TEST(CommandKind, TheTranslatorsCommandsByWhatTheyDoToTheBooks)
{
    using K = CommandKind;
    const std::vector<std::pair<const char *, CommandKind>> rows = {
        {"KXSTAT", K::Query},
        {"KXRE", K::Query},
        {"KX?TO", K::Query},
        {"KXREP5TBL", K::Query},
        {"KXREPTBL", K::Query},
        {"KXCL", K::Clear},
        {"KX350R13Σουβλάκι", K::ReceiptItem},
        {"KX2.000* ", K::ReceiptItem},
        {"KX- ", K::ReceiptItem},
        {"KX13PL", K::ReceiptItem},
        {"KX500AC", K::ReceiptItem},
        {"KXST", K::ReceiptItem},
        {"KX1000% ", K::ReceiptItem},
        {"KX@215T3", K::ReceiptItem},
        {"KXVOID", K::ReceiptItem},
        {"KXCO ΚΑΛΗ ΜΕΡΑ", K::ReceiptItem}, // a comment on the receipt
        {"KX500T1", K::Payment},
        {"KXT2", K::Payment},
        {"KX500T2P1", K::CardPayment},
        {"KX@215T0", K::CancelReceipt},
        {"KX0T1", K::Report},
        {"KX021T1", K::Report},
        {"KX5TO", K::TableOpen},
        {"KXTO", K::TablePark},
        {"KXPPAY", K::PayTable},
        {"KXFROM5", K::PayTable},
        {"KXTRF", K::TableMove},
        {"KXFROM5TO9PAR", K::TableMove},
        {"KXPA350R13Σουβλάκι", K::TableMove},
        {"KY0123", K::Other},
        {"KX794ST", K::Other},
    };
    // The keys the clear after a refusal drops: sent again before a command
    // that is sent again, or a discount goes in as a surcharge.
    const QStringList arming = {QStringLiteral("KX2.000* "), QStringLiteral("KX- "), QStringLiteral("KX13PL"),
                                QStringLiteral("KXPPAY"), QStringLiteral("KXTRF")};
    for (const auto &[command, kind] : rows) {
        EXPECT_EQ(commandKind(QString::fromUtf8(command)), kind) << command;
        EXPECT_EQ(armsNextKey(QString::fromUtf8(command)), arming.contains(QString::fromUtf8(command))) << command;
    }
}

} // namespace
} // namespace dravimo
