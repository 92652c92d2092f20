// comms: the one place where line records become ECR command strings.
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

void comms(Job &job)
{
    showPrinting(job.ecr.window);
    LineRecord &r = job.record;
    switch (r.operation) {
    case Operation::Sale: commsSale(job); break;
    case Operation::Payment: commsPayment(job); break;
    case Operation::SubtotalModifier: commsSubtotalModifier(job); break;
    case Operation::PercentDiscount:
    case Operation::PercentSurcharge:
    case Operation::AmountDiscount:
    case Operation::AmountSurcharge: commsItemModifier(job); break;
    case Operation::Raw: job.send(r.text); break;
    default: break;
    }
}

} // namespace dravimo
