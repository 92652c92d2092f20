// Every command goes out as the register reads it, and carries what it does
// to the books: recovery, the paper wait and the job's outcome decide by the
// kind alone, so a builder with the wrong kind would double or drop a sale.
#include "ecr/commands.h"

#include <gtest/gtest.h>

namespace dravimo {
namespace {

TEST(CommandCatalogue, EachBuilderWritesItsKeysAndSaysWhatTheyDo)
{
    using K = CommandKind;
    namespace c = ecrcommand;
    const QString item = QStringLiteral("350R13Σουβλάκι");
    struct Row
    {
        Command command;
        const char *text;
        CommandKind kind;
        bool armsNext = false;
    };
    const std::vector<Row> rows = {
        {c::status(), "KXSTAT", K::Question},
        {c::receiptNumbers(), "KXRE", K::Question},
        {c::openTable(), "KX?TO", K::Question},
        {c::tablesWithOrders(), "KXREPTBL", K::Question},
        {c::tableTotal(5), "KXREP5TBL", K::TableTotal},
        {c::clear(), "KXCL", K::Clear},
        {c::sale(item), "KX350R13Σουβλάκι", K::ReceiptItem},
        {c::quantity(QStringLiteral("2.000")), "KX2.000* ", K::ReceiptItem, true},
        {c::minusKey(), "KX- ", K::ReceiptItem, true},
        {c::departmentKey(QStringLiteral("13")), "KX13PL", K::ReceiptItem, true},
        {c::saleByPrice(QStringLiteral("500"), QStringLiteral("ΝΕΡΟ")), "KX500ACΝΕΡΟ", K::ReceiptItem},
        {c::saleByCode(QStringLiteral("123")), "KX123AC", K::ReceiptItem},
        {c::saleByBarcode(QStringLiteral("1"), QStringLiteral("5201")), "KX10PLK15201", K::ReceiptItem},
        {c::comment(QStringLiteral("ΚΑΛΗ ΜΕΡΑ")), "KXCO ΚΑΛΗ ΜΕΡΑ", K::ReceiptItem},
        {c::voidLast(), "KXVOID", K::ReceiptItem},
        {c::cancel(QStringLiteral("3")), "KX@215T3", K::ReceiptItem},
        {c::cancel(QStringLiteral("00")), "KX@215T00", K::CancelReceipt},
        {c::cancelReceipt(), "KX@215T0", K::CancelReceipt},
        {c::subtotal(), "KXST", K::Modifier},
        {c::amountModifier(QStringLiteral("100"), QStringLiteral("ΕΚΠΤ")), "KX100GEΕΚΠΤ", K::Modifier},
        {c::percentModifier(QStringLiteral("1000")), "KX1000% ", K::Modifier},
        {c::payment(QStringLiteral("500"), QStringLiteral("1")), "KX500T1", K::Payment},
        {c::payment(QString(), QStringLiteral("2")), "KXT2", K::Payment},
        {c::cardPayment(QStringLiteral("500"), 2, 1), "KX500T2P1", K::CardPayment},
        {c::cardPayment(QString(), 3, 2), "KXT3P2", K::CardPayment},
        {c::dailyXReport(), "KX0T1", K::Report},
        {c::periodXReport(), "KX5T1", K::Report},
        {c::dailyZReport(), "KX021T1", K::Report},
        {c::periodZReport(), "KX521T1", K::Report},
        {c::tableOpen(QStringLiteral("5")), "KX5TO", K::TableOpen},
        {c::tablePark(), "KXTO", K::TablePark},
        {c::payTableStart(), "KXPPAY", K::PayTable, true},
        {c::payTableFrom(5), "KXFROM5", K::PayTable},
        {c::transferStart(), "KXTRF", K::TableMove, true},
        {c::transferItem(item), "KXPA350R13Σουβλάκι", K::TableMove},
        {c::transferConfirm(), "KXTRFOK", K::TableMove},
        {c::transferRefuse(), "KXTRFNO", K::TableMove},
        {c::tableMove(5, 9, false), "KXFROM5TO9", K::TableMove},
        {c::tableMove(5, 9, true), "KXFROM5TO9PAR", K::TableMove},
        {c::raw(QStringLiteral("KY0123")), "KY0123", K::Raw},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(r.command.text, QString::fromUtf8(r.text));
        EXPECT_EQ(kindName(r.command.kind), kindName(r.kind)) << r.text;
        EXPECT_EQ(r.command.armsNext, r.armsNext) << r.text;
        // Only questions and the clear key may be sent again on a guess.
        const bool asks = r.kind == K::Question || r.kind == K::TableTotal || r.kind == K::Clear;
        EXPECT_EQ(changesRegister(r.kind), !asks) << r.text;
    }
}

} // namespace
} // namespace dravimo
