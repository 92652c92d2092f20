// SendCommand and the transport slot: which link a command takes, and what is
// reported to the caller and to the result file afterwards.
#include "ecr/fiscaltec.h"

#include "core/clock.h"
#include "core/files.h"
#include "core/shared.h"
#include "core/window.h"
#include "ecr/ccom.h"
#include "ecr/ctcpip.h"
#include "ecr/transport.h"

#include <QStringList>

namespace dravimo {
namespace {

FiscalTec *g_module = nullptr;

QString errLine(qint16 result, const QString &command)
{
    return QStringLiteral("Err = %1, [%2] DateTime = %3")
        .arg(result)
        .arg(command, formatDateTime(Clock::instance().wallNow()));
}

std::unique_ptr<Transport> openNetworkLink(const QString &connection, qint16 &result)
{
    auto link = std::make_unique<cTCPIP>();
    const QStringList parts = connection.split(QLatin1Char(':'));
    bool numeric = false;
    const int port = parts.value(1).trimmed().toInt(&numeric);
    link->LocalHostIP(LocalHostAddress());
    link->RemoteHostIP(parts.value(0));
    link->RemotePort(numeric ? port : 0);
    result = link->OpenConnection();
    return link;
}

} // namespace

FiscalTec::FiscalTec() = default;
FiscalTec::~FiscalTec() = default;

void FiscalTec::setActivePort(std::unique_ptr<Transport> port)
{
    activePort_ = std::move(port);
}

bool FiscalTec::openLink(qint16 &result, QString &reply)
{
    if (activePort_) {
        // Never reopened, even after a failed open: only CloseLink empties
        // the slot.
        activePort_->Result = 0;
        activePort_->exResult.clear();
        return true;
    }
    const QString connection = shared().connectionString;
    if (connection.left(3) == QLatin1String("com")) {
        auto port = std::make_unique<cCom>();
        port->OpenConnection(connection);
        result = port->Result;
        reply = port->exResult;
        activePort_ = std::move(port);
    } else {
        // A network open failure does not stop the command: it is attempted
        // and ends in the exchange's time-out.
        activePort_ = openNetworkLink(connection, result);
    }
    return activePort_->Result == 0;
}

void FiscalTec::SendCommand(const QString &command, qint16 &result, QString &reply, qint16 quiet, qint16 asyncWait,
                            const QString &logFile)
{
    if (!openLink(result, reply))
        return;
    ExchangeCommand(command, reply, quiet, asyncWait);
    if (cardReplyCheck)
        cardReplyCheck(reply);
    result = activePort_->Result;
    reply = activePort_->exResult;
    if (result != 0) {
        // Before the first job names a result file there is nowhere for the
        // line to go unless the caller gave a file; AppendLine skips it then.
        AppendLine(logFile.isEmpty() ? shared().resultFile : logFile, errLine(result, command));
    }
}

void FiscalTec::CloseLink(const QString &connection)
{
    if (!activePort_)
        return;
    if (connection.left(3).compare(QLatin1String("com"), Qt::CaseInsensitive) == 0) {
        activePort_->ShutdownConnection();
        activePort_.reset();
        return;
    }
    auto *network = dynamic_cast<cTCPIP *>(activePort_.get());
    if (network && network->SocketHnd() != 0)
        network->ShutdownConnection();
}

FiscalTec &fiscalTec()
{
    static FiscalTec module;
    return g_module ? *g_module : module;
}

void setFiscalTec(FiscalTec *module)
{
    g_module = module;
}

} // namespace dravimo
