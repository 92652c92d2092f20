#pragma once
// The line handlers and the command builder comms. Each handler receives the
// fields the recogniser cut from its line.

#include "translate/job.h"

#include <QString>

namespace dravimo {

// The recognition loop's test of one line against every code, in order.
LineResult recogniseLine(Job &job, const QString &line);

// Sends the ECR commands for the job's line record (its linetype decides).
void comms(Job &job);

// Sale lines.
struct PluFields
{
    QString code;        // 6/14
    QString description; // 20/24, as read
    QString quantity;    // 48/7
    QString price;       // 57/9
    QString vatRate;     // 69/5
    QString department;  // 74/3
};
LineResult handlePLU(Job &job, const PluFields &fields);
void commsSale(Job &job);

// Discounts, surcharges, comments and voids.
LineResult handleDis(Job &job, const QString &amount);
LineResult handleMod(Job &job, const QString &value, const QString &description);
void commsSubtotalModifier(Job &job);
void commsItemModifier(Job &job);
LineResult handleCom(Job &job, const QString &text);
LineResult handleFrt(Job &job);
LineResult handleCan(Job &job, const QString &number);
LineResult handleVoi(Job &job);
LineResult handleFoo(Job &job, const QString &text);
void printFooter(Job &job);

// Pass-through and programming lines.
LineResult handlePRG(Job &job, const QString &command);
LineResult handleSnd(Job &job, const QString &command);

// Restaurant tables.
LineResult handleTBO(Job &job, const QString &table);
LineResult handleTBC(Job &job, const QString &table);
LineResult handleTBT(Job &job, const QString &source, const QString &target);
LineResult handleTPT(Job &job, const QString &source, const QString &target);
LineResult handleTBS(Job &job, const QString &table);
LineResult handleLtb(Job &job);

// Payments and receipt close.
LineResult handleSut(Job &job, const QString &subtotal);
LineResult handleTo(Job &job, const QString &paymentNumber, const QString &amount);
LineResult handlePay(Job &job, const QString &paymentNumber);
void commsPayment(Job &job);

// The end of a job: outcome lines, then the footer.
void finishJob(Job &job);

} // namespace dravimo
