#pragma once
// The command exchange with the ECR and the operations built on it: error
// texts and recovery, and the queries. Everything that reaches the register
// goes through SendCommand.
//
// The module is an object so that tests can stand in for the register: a
// subclass that overrides SendCommand sees every command of a job in order and
// answers from a script, while the queries and the error wait keep running on
// top of it unchanged.

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

namespace dravimo {

class Transport;

class FiscalTec
{
public:
    FiscalTec();
    virtual ~FiscalTec();

    // Sends one command and collects its reply.
    //   result  out: 0, a positive ECR error code, -4 silence, -1/-2 port failures
    //   reply   out: the reply text (CR and EOT removed), the error code in
    //           decimal, or the failure message
    //   quiet   0 shows time-outs and ECR errors to the user; -1 shows nothing
    //   asyncWait  seconds to wait for a second, asynchronous reply (card
    //           payments); 0 for ordinary commands
    //   logFile receives the "Err = " line on failure; empty means the current
    //           job's result file
    virtual void SendCommand(const QString &command, qint16 &result, QString &reply, qint16 quiet = 0,
                             qint16 asyncWait = 0, const QString &logFile = QString());

    // Queries.
    qint16 QueryEcrStatus();
    qint16 QueryOpenTable();
    static qint16 TableNumberFromReply(const QString &reply);
    QString QueryTableReport(int table);
    QString QueryTableList();
    QString QueryReceiptNumbers();

    // Error texts and recovery.
    static QString EcrErrorText(const QString &text);
    void ShowEcrError(QString &reply, qint16 quiet);
    // Returns once the ECR reports no error, or when the operator closes the
    // wait dialog.
    void WaitEcrErrorCleared();

    // Closes the link at program exit; the next command opens it afresh.
    void CloseLink(const QString &connection);

    // A reply as the communication log shows it: every character below 32 as
    // "ASC(" + code + ") ", the rest as it stands.
    static QString FormatForLog(const QString &reply);

    // Offered every reply of every command (card-payment acknowledgements
    // write their lines to the job's result file). Empty: nothing is checked.
    std::function<void(const QString &reply)> cardReplyCheck;

    // The transport slot: empty until the first command opens the link.
    Transport *ActivePort() const { return activePort_.get(); }
    void setActivePort(std::unique_ptr<Transport> port);

protected:
    // Chooses and opens the transport on first use (the connection text
    // decides); false when the command must not be sent.
    bool openLink(qint16 &result, QString &reply);
    // Sends the command and collects and evaluates its reply; reports through
    // reply, the last result code and the transport's Result and exResult.
    void ExchangeCommand(const QString &command, QString &reply, qint16 quiet, qint16 asyncWait);

    std::unique_ptr<Transport> activePort_;

private:
    enum class Collected { Complete, ErrorReply, Silence };
    Collected collectReply(QString &buffer);
    void silence(QString &reply, qint16 quiet);
    void awaitAsyncReply(QString &buffer, qint16 asyncWait);
    void evaluate(QString &buffer, QString &reply, qint16 quiet);
    void clearAfterError();
};

// The register's line of text: descriptions and comments are cut to it.
constexpr int kEcrLineWidth = 28;

// The program's one exchange module.
FiscalTec &fiscalTec();
// Replaces it (tests); the caller keeps ownership; null restores the default.
void setFiscalTec(FiscalTec *module);

} // namespace dravimo
