// sendOperation: the one place where line records become ECR command strings.
#include "translate/handlers.h"

#include "core/window.h"
#include "ecr/session.h"

namespace dravimo {
namespace {

const QString kPrintingStatus = QStringLiteral("Εκτυπωση Ενεργή.. Παρακαλώ Περιμένετε");
const QString kPrintingCaption = QStringLiteral("Dravimo - Eκτυπώνει");

void showPrinting(Window &w)
{
    w.setStatus(kPrintingStatus);
    w.setCaption(kPrintingCaption);
    w.repaint();
}

} // namespace

void sendOperation(Job &job)
{
    showPrinting(job.ecr.window);
    LineRecord &r = job.record;
    switch (r.operation) {
    case Operation::Sale: sendSaleOperation(job); break;
    case Operation::Payment: sendPaymentOperation(job); break;
    case Operation::SubtotalModifier: sendSubtotalModifier(job); break;
    case Operation::PercentDiscount:
    case Operation::PercentSurcharge:
    case Operation::AmountDiscount:
    case Operation::AmountSurcharge: sendItemModifier(job); break;
    case Operation::Raw: job.send(ecrcommand::raw(r.text)); break;
    default: break;
    }
}

} // namespace dravimo
