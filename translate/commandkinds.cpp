#include "translate/commandkinds.h"

#include <QRegularExpression>

#include <array>
#include <utility>

namespace dravimo {

CommandKind commandKind(const QString &command)
{
    if (!command.startsWith(QLatin1String("KX")))
        return CommandKind::Other;
    const QString key = command.mid(2);
    using K = CommandKind;
    static const std::array<std::pair<QRegularExpression, CommandKind>, 13> kRules = {{
        {QRegularExpression(QStringLiteral(R"(^(STAT|RE|\?TO|REPTBL|REP\d+TBL)$)")), K::Query},
        {QRegularExpression(QStringLiteral(R"(^CL$)")), K::Clear},
        {QRegularExpression(QStringLiteral(R"(^(0|021|5|521)T1$)")), K::Report},
        {QRegularExpression(QStringLiteral(R"(^\d*T\d+P\d+$)")), K::CardPayment},
        {QRegularExpression(QStringLiteral(R"(^\d*T\d+$)")), K::Payment},
        {QRegularExpression(QStringLiteral(R"(^@215T0*$)")), K::CancelReceipt},
        {QRegularExpression(QStringLiteral(R"(^\d+TO$)")), K::TableOpen},
        {QRegularExpression(QStringLiteral(R"(^TO$)")), K::TablePark},
        {QRegularExpression(QStringLiteral(R"(^(PPAY|FROM\d+)$)")), K::PayTable},
        {QRegularExpression(QStringLiteral(R"(^(TRF|TRFOK|TRFNO)$)")), K::TableMove},
        {QRegularExpression(QStringLiteral(R"(^FROM\d+TO\d+(PAR)?$)")), K::TableMove},
        {QRegularExpression(QStringLiteral(R"(^PA\d+R)")), K::TableMove},
        {QRegularExpression(QStringLiteral(R"(^794ST)")), K::Other},
    }};
    for (const auto &[pattern, kind] : kRules) {
        if (pattern.match(key).hasMatch())
            return kind;
    }
    return K::ReceiptItem;
}

bool armsNextKey(const QString &command)
{
    static const QRegularExpression armed(QStringLiteral(R"(^KX(- |[0-9.,]+\* |\d+PL|TRF|PPAY)$)"));
    return armed.match(command).hasMatch();
}

} // namespace dravimo
