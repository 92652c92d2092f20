#include "ecr/seriallink.h"

#include "ecr/protocol.h"

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
// A register that keeps talking cannot hold a drain for longer than this many
// looks at the device.
constexpr int kDrainRounds = 16;

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

SerialLink::SerialLink(Clock &clock) : clock_(clock)
{}

SerialLink::~SerialLink()
{
    close();
}

bool SerialLink::isOpen() const
{
    return port_ && port_->isOpen();
}

std::optional<LinkFailure> SerialLink::open(const QString &connection)
{
    const QStringList parts = connection.split(QLatin1Char(':'));
    const QString device = parts.value(0);
    const QString baud = parts.value(1);

    port_ = std::make_unique<QSerialPort>();
    port_->setPortName(serialDeviceName(device));
    if (!port_->open(QIODevice::ReadWrite)) {
        port_.reset();
        return LinkFailure{result::PortFailed, openFailure(connection)};
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
        return LinkFailure{result::PortSetupFailed, setupFailure(connection)};
    }
    return std::nullopt;
}

QString SerialLink::receive()
{
    Clock &clock = clock_;
    if (!isOpen()) {
        clock.pause(kReadTotal);
        return {};
    }
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

bool SerialLink::writePiece(const QByteArray &bytes)
{
    if (port_->write(bytes) != bytes.size())
        return false;
    const int allowed = clock_.realMs(Millis(bytes.size()) + kWriteConstant);
    while (port_->bytesToWrite() > 0) {
        if (!port_->waitForBytesWritten(std::max(1, allowed)))
            return false;
    }
    return true;
}

std::optional<LinkFailure> SerialLink::send(const QString &command)
{
    if (!isOpen())
        return std::nullopt;
    const QByteArray bytes = toWire(frameCommand(command));
    for (qsizetype at = 0; at < bytes.size(); at += kMaxPiece) {
        if (!writePiece(bytes.mid(at, kMaxPiece)))
            break;
    }
    return std::nullopt;
}

QString SerialLink::drain()
{
    if (!isOpen())
        return {};
    // Bytes the driver holds are not in the port's buffer until somebody
    // looks: a wait of zero looks without blocking.
    for (int round = 0; round < kDrainRounds && port_->waitForReadyRead(0); ++round) {
    }
    return fromWire(port_->readAll());
}

void SerialLink::close()
{
    if (port_) {
        port_->close();
        port_.reset();
    }
}

} // namespace dravimo
