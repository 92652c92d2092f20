#include "ecr/ccom.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSerialPort>

#include <algorithm>
#include <optional>

#include <QStringList>

namespace dravimo {
namespace {

// The register's serial time-outs.
constexpr int kMaxPiece = 255;                  // the 256-byte device buffer, less one
constexpr Millis kReadInterval{20};             // silence that ends a read once bytes came
constexpr Millis kReadTotal{kMaxPiece * 1 + 1}; // 1 ms per byte asked for, plus 1 ms
constexpr Millis kWriteConstant{10};            // a write of n bytes gets n + 10 ms

QString openFailure(const QString &port)
{
    return QStringLiteral("Πρόβλημα στην Θύρα :") + port;
}

QString setupFailure(const QString &port)
{
    return QStringLiteral("Πρόβλημα στο Set-Up τής Θύρας :") + port;
}

// The baud part must be a plain positive number; "9600,N,8,1" is built from
// it, so anything else could never make valid line settings.
std::optional<qint32> baudRate(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const qint32 rate = text.toInt();
    return rate > 0 ? std::optional<qint32>(rate) : std::nullopt;
}

} // namespace

QString serialDeviceName(const QString &port)
{
    static const QRegularExpression comN(QStringLiteral("^com([0-9]+)$"), QRegularExpression::CaseInsensitiveOption);
    const auto m = comN.match(port);
    if (!m.hasMatch())
        return port;
    const int n = m.captured(1).toInt();
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    // Linux has no COM names: the user names the device per port, or the
    // first on-board serial ports stand in (COM1 is ttyS0).
    const QByteArray mapped = qgetenv(QStringLiteral("DRAVIMO_COM%1").arg(n).toLatin1().constData());
    if (!mapped.isEmpty())
        return QString::fromLocal8Bit(mapped);
    return n >= 1 ? QStringLiteral("/dev/ttyS%1").arg(n - 1) : port;
#endif
}

cCom::cCom() = default;

cCom::~cCom()
{
    ShutdownConnection();
}

void cCom::OpenConnection(const QString &Port)
{
    Result = 0;
    exResult.clear();
    const QStringList parts = Port.split(QLatin1Char(':'));
    const QString device = parts.value(0);
    const QString baud = parts.value(1);

    port_ = std::make_unique<QSerialPort>();
    port_->setPortName(serialDeviceName(device));
    if (!port_->open(QIODevice::ReadWrite)) {
        port_.reset();
        Result = -1;
        exResult = openFailure(Port);
        return;
    }
    const auto rate = baudRate(baud);
    const bool applied = rate && port_->setBaudRate(*rate) && port_->setDataBits(QSerialPort::Data8)
        && port_->setParity(QSerialPort::NoParity) && port_->setStopBits(QSerialPort::OneStop)
        && port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!applied) {
        // A device we cannot set up is of no use, and holding it would keep
        // every other program off the port until we exit.
        port_->close();
        port_.reset();
        Result = -2;
        exResult = setupFailure(Port);
        return;
    }
    const qint32 handle = static_cast<qint32>(port_->handle());
    ComHndle = handle != 0 ? handle : -1;
}

QString cCom::ReceiveData()
{
    if (!port_ || !port_->isOpen()) {
        Clock::instance().pause(kReadTotal);
        return {};
    }
    Clock &clock = Clock::instance();
    const int total = clock.realMs(kReadTotal);
    const int interval = std::max(1, clock.realMs(kReadInterval));
    QByteArray got;
    QElapsedTimer elapsed;
    elapsed.start();
    while (got.size() < kMaxPiece) {
        if (port_->bytesAvailable() == 0) {
            const int left = total - static_cast<int>(elapsed.elapsed());
            if (left <= 0)
                break;
            if (!port_->waitForReadyRead(got.isEmpty() ? left : std::min(interval, left)))
                break;
        }
        got += port_->read(kMaxPiece - got.size());
    }
    // A clock that does not run by itself (tests) only moves when somebody
    // waits: an empty read must still cost its time-out.
    if (got.isEmpty() && total == 0)
        clock.pause(kReadTotal);
    return fromWire(got);
}

bool cCom::writePiece(const QByteArray &bytes)
{
    if (port_->write(bytes) != bytes.size())
        return false;
    const int allowed = Clock::instance().realMs(Millis(bytes.size()) + kWriteConstant);
    while (port_->bytesToWrite() > 0) {
        if (!port_->waitForBytesWritten(std::max(1, allowed)))
            return false;
    }
    return true;
}

int cCom::sendData(const QString &COMString)
{
    if (!port_ || !port_->isOpen())
        return 0;
    const QByteArray bytes = toWire(frameCommand(COMString));
    if (bytes.size() <= kMaxPiece)
        return writePiece(bytes) ? static_cast<int>(bytes.size()) : 0;
    for (qsizetype at = 0; at < bytes.size(); at += kMaxPiece) {
        if (!writePiece(bytes.mid(at, kMaxPiece)))
            return 0;
    }
    return 0;
}

void cCom::ShutdownConnection()
{
    if (port_) {
        port_->close();
        port_.reset();
    }
}

} // namespace dravimo
