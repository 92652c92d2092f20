// comms: the one place where line records become ECR command strings.
#include "translate/handlers.h"

#include "core/shared.h"
#include "core/window.h"

namespace dravimo {
namespace {

const QString kPrintingStatus = QStringLiteral("Εκτυπωση Ενεργή.. Παρακαλώ Περιμένετε");
const QString kPrintingCaption = QStringLiteral("Dravimo - Eκτυπώνει");

void showPrinting()
{
    Window &w = window();
    w.setStatus(kPrintingStatus);
    w.setCaption(kPrintingCaption);
    w.repaint();
}

} // namespace

void comms(Job &job)
{
    showPrinting();
    LineRecord &r = job.record;
    switch (r.linetype) {
    case linetype::Sale: commsSale(job); break;
    case linetype::Payment: commsPayment(job); break;
    case linetype::SubtotalModifier: commsSubtotalModifier(job); break;
    case linetype::Comment:
        // No print-file line comes here ("com" sends its own comment); kept for
        // the record's completeness.
        job.send(QStringLiteral("KX10PL") + r.chr);
        break;
    case linetype::PercentDiscount:
    case linetype::PercentSurcharge:
    case linetype::AmountDiscount:
    case linetype::AmountSurcharge: commsItemModifier(job); break;
    case linetype::Raw: job.send(r.chr); break;
    default: break;
    }
}

} // namespace dravimo
