#pragma once
// The line handlers and the command builder sendOperation. Each handler receives the
// fields the recogniser cut from its line.

#include "translate/job.h"

#include <QString>

namespace dravimo {

// The recognition loop's test of one line against every code, in order.
LineResult recogniseLine(Job &job, const QString &line);

// Sends the ECR commands for the job's line record (its linetype decides).
void sendOperation(Job &job);

// Sale lines.
struct SaleFields
{
    QString code;        // 6/14
    QString description; // 20/24, as read
    QString quantity;    // 48/7
    QString price;       // 57/9
    QString vatRate;     // 69/5
    QString department;  // 74/3
};
LineResult handleSale(Job &job, const SaleFields &fields);
void sendSaleOperation(Job &job);

// Discounts, surcharges, comments and voids.
LineResult handleDiscount(Job &job, const QString &amount);
LineResult handleModifier(Job &job, const QString &value, const QString &description);
void sendSubtotalModifier(Job &job);
void sendItemModifier(Job &job);
LineResult handleComment(Job &job, const QString &text);
LineResult handleBlankComments(Job &job);
LineResult handleCancel(Job &job, const QString &number);
LineResult handleVoid(Job &job);
LineResult handleFooter(Job &job, const QString &text);
void printFooter(Job &job);

// Pass-through and programming lines.
LineResult handleProgramming(Job &job, const QString &command);
LineResult handlePassThrough(Job &job, const QString &command);

// Restaurant tables.
LineResult handleOpenTable(Job &job, const QString &table);
LineResult handleCloseTable(Job &job, const QString &table);
LineResult handleMoveTable(Job &job, const QString &source, const QString &target);
LineResult handlePartialTransfer(Job &job, const QString &source, const QString &target);
LineResult handlePayTable(Job &job, const QString &table);
LineResult handleTableList(Job &job);

// Payments and receipt close.
LineResult handleSubtotal(Job &job, const QString &subtotal);
LineResult handlePayment(Job &job, const QString &paymentNumber, const QString &amount);
LineResult handleCardPayment(Job &job, const QString &paymentNumber);
void sendPaymentOperation(Job &job);

// The end of a job: outcome lines, then the footer.
void finishJob(Job &job);

} // namespace dravimo
