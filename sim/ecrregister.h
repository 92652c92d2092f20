#pragma once
// The simulated fiscal register: a small state machine over the keyboard
// commands.
//
//   idle --first sale--> receipt open --KXST--> subtotal --payment--> paying
//     ^                      ^  |<---- sale ------|                    |
//     |                      +--+ (sales, modifiers, comments)         |
//     +----------------- paid in full (receipt printed and counted) ---+
//
// Beside the receipt the register keeps restaurant tables (an open table takes
// the sales while no receipt is open), a transfer session for moving items
// between tables or onto a receipt, the daily and period counters of the X and
// Z reports, and two conditions the operator must deal with: paper out and a
// due Z report. docs/ecrsim.md has the full table of keys, states and refusals.

#include "sim/command.h"
#include "sim/counters.h"
#include "sim/paperroll.h"
#include "sim/registerconfig.h"
#include "sim/ticket.h"

#include <QMap>
#include <QString>

#include <optional>

namespace dravimo {
class Clock;
}

namespace dravimo::sim {

// What the register answers to one command.
struct Reply
{
    enum class Kind { Text, Error, None };
    Kind kind = Kind::Text;
    QString text; // Text: the reply before its CR and EOT
    int code = 0; // Error: the code after "DE"

    static Reply ok(const QString &text = QStringLiteral("OK")) { return {Kind::Text, text, 0}; }
    static Reply error(int code) { return {Kind::Error, QString(), code}; }
    static Reply none() { return {Kind::None, QString(), 0}; }
};

// A card payment handed to the terminal; its outcome comes later.
struct CardRequest
{
    int id = 0;
    qint64 amount = 0; // cents actually charged
    int code = 0;      // the register's payment number
    int terminal = 0;
};

// Error codes the register answers with (their texts are the program's error table).
namespace ecr_error {
inline constexpr int PaperOut = 2;
inline constexpr int SubtotalRequired = 3;
inline constexpr int EntryLimit = 4;
inline constexpr int ChangeNotAllowed = 5;
inline constexpr int WrongOperation = 6;
inline constexpr int WrongModifier = 52;
inline constexpr int UnknownFunction = 57;
inline constexpr int WrongData = 69;
inline constexpr int WrongQuantity = 1005;
inline constexpr int WrongAmount = 1011;
inline constexpr int CashForbidden = 1014;
inline constexpr int ZDue = 1031;
inline constexpr int ReceiptOpen = 1038;
inline constexpr int DiscountLimit = 1044;
inline constexpr int PriceLimit = 1091;
} // namespace ecr_error

class EcrRegister
{
public:
    EcrRegister(PaperRoll &roll, Clock &clock) : roll_(roll), clock_(clock) {}

    Reply handle(const Command &command);

    RegisterConfig &config() { return config_; }
    const RegisterConfig &config() const { return config_; }

    void setPaperOut(bool out) { paperOut_ = out; }
    bool paperOut() const { return paperOut_; }
    void setZDue(bool due) { zDue_ = due; }
    bool zDue() const { return zDue_; }
    // 0 fine, 1 receipt open, 2 paper out, 1031 Z due.
    int status() const;

    // The card payment the last command started, if any (taken once).
    std::optional<CardRequest> takeCardRequest();
    bool cardPending() const { return card_.has_value(); }
    // The terminal's outcome for request id. Books the payment when approved
    // and the request is still the one waiting; false when it was abandoned.
    bool completeCard(int id, bool approved);

    const std::optional<Receipt> &receipt() const { return receipt_; }
    int openTable() const { return openTable_; }
    qint64 tableTotal(int table) const;
    QList<int> tables() const;
    int receiptNumber() const { return receiptNumber_; }
    void setReceiptNumber(int n) { receiptNumber_ = n; }
    int zNumber() const { return zNumber_; }
    void setZNumber(int n) { zNumber_ = n; }
    const Counters &day() const { return day_; }
    // What the books hold: one line per receipt closed ("<number>: <item
    // nets> | <payment>=<amount> ..."), the day's counters, and the tables
    // holding orders with whether a receipt is open. Two runs that did the
    // same business print the same books.
    QStringList books() const;
    const Counters &period() const { return period_; }

private:
    // Keys typed ahead of the entry they belong to.
    struct Pending
    {
        bool minus = false;
        std::optional<qint64> quantity;
        std::optional<int> department;
        bool transferArmed = false;
        bool payTableArmed = false;
    };
    // A partial move from one table to another ("KXFROM a TO b PAR").
    struct Session
    {
        int from = 0;
        int to = 0;
        bool endRequested = false;
    };
    struct Move
    {
        int index = 0;
        qint64 quantity = 0;
    };

    Reply dispatch(const Command &c);
    Reply query(const Command &c);
    Reply clear();

    // sales (ecrregister_sales.cpp)
    Reply sale(qint64 unitPrice, int department, const QString &text);
    Reply departmentKey(int department);
    Reply entryAC(const Command &c);
    Reply modifier(qint64 value, bool percent, const QString &text);
    Reply subtotalModifier(Ticket &ticket, qint64 value, bool percent, bool negative, const QString &text);
    Reply itemModifier(Ticket &ticket, qint64 value, bool percent, bool negative, const QString &text);
    Reply comment(const QString &ecrText);
    Reply voidLast();
    Reply cancel(int number);
    std::optional<int> ticketForSale(Ticket *&ticket);
    Ticket *currentTicket();
    void printItem(const Item &item);
    void voidItem(Ticket &ticket, int index);

    // payments (ecrregister_payments.cpp)
    Reply subtotal();
    Reply payment(const Command &c);
    Reply cardPayment(const Command &c);
    std::optional<int> paymentAllowed(int number);
    void book(const Payment &p);
    void closeReceipt();
    void printVatLines(const QMap<int, qint64> &byVat);
    void openReceipt(int fromTable);

    // tables (ecrregister_tables.cpp)
    Reply openTable(int table);
    Reply closeTable();
    Reply moveTable(const Command &c);
    Reply fromTable(int table);
    Reply transferItem(const Command &c);
    Reply transferOk();
    Reply transferNo();
    void takeWholeTable();
    void returnToTable(const Item &item);
    void finishSession();

    // reports (ecrregister_reports.cpp)
    bool isReport(const Command &c) const;
    Reply report(const QString &raw);
    void printCounters(const Counters &counters);

    QString now() const;
    QString vatLetter(int vat) const;
    static QString paymentName(int number);

    PaperRoll &roll_;
    Clock &clock_;
    RegisterConfig config_;
    Pending pending_;
    std::optional<Receipt> receipt_;
    QMap<int, Ticket> tables_;
    int openTable_ = 0;
    std::optional<Session> session_;
    std::optional<Move> move_;
    std::optional<CardRequest> card_;
    std::optional<CardRequest> cardStarted_;
    int cardSeq_ = 0;
    bool paperOut_ = false;
    bool zDue_ = false;
    int receiptNumber_ = 0;
    int zNumber_ = 1;
    Counters day_;
    Counters period_;
    QStringList closed_;
};

} // namespace dravimo::sim
