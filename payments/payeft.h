#pragma once
// Card-payment settings per payment number, kept in payeft.dat: fixed
// 128-byte records, record n (n >= 1) at byte (n - 1) * 128, its first twelve
// bytes six little-endian 16-bit integers, the rest zero. Each operation opens
// and closes the file itself.

#include <QString>
#include <QtGlobal>

#include <optional>

namespace dravimo {

class Window;

inline const QString kPaymentFile = QStringLiteral("payeft.dat");

struct PaymentType
{
    qint16 payment = 0;  // the host's payment number (= record number)
    qint16 ecrCode = 0;  // ECR payment: 0 none, 2, 3, 9 (pre-collection)
    qint16 terminal = 0; // card terminal at the ECR, 0 none, 1..4
    qint16 active = 0;   // -1: a card payment; 0: an ordinary ECR payment
    qint16 retries = 0;  // further attempts after the first
    qint16 fallback = 0; // ECR payment used when the card payment fails; <= 0 none

    bool isActive() const { return active != 0; }
    bool operator==(const PaymentType &) const = default;
};

// The record as stored, or nothing when the file cannot be opened or read or
// n is not a record number. Records beyond the end of the file read as zeros.
std::optional<PaymentType> readPaymentTypeRecord(int n, const QString &fileName = kPaymentFile);

// The record for the card-payment procedure: on failure the operator is told
// ("Αδυναμία ανάγνωσης παραμέτρων πληρωμών") and the payment goes on as an
// ordinary one.
PaymentType readPaymentType(int n, Window &window, const QString &fileName = kPaymentFile);

// 0 on success, -1 on failure; nothing is shown.
int writePaymentType(const PaymentType &record, const QString &fileName = kPaymentFile);
int clearPaymentType(int n, const QString &fileName = kPaymentFile);

// A payment description of the ECR's default payment table.
class EcrPaymentName
{
public:
    qint16 number = 0;
    QString name() const;
    void setName(const QString &name) { name_ = name; }
    bool active = false;
    qint16 type = 0;
    qint16 retries = 0;
    qint16 payId = 0;

private:
    QString name_;
};

// Fills the description of an ECR payment number (1..6): 0, or -1 when the
// number has none.
int describeEcrPayment(int number, EcrPaymentName &description);

} // namespace dravimo
