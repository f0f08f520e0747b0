#include "com_port.h"

#include <QElapsedTimer>
#include <QFile>
#include <QScopedValueRollback>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <limits>

#include <unistd.h>

EComPort::EComPort(QString message, QString messageKey)
    : m_message(std::move(message)), m_messageKey(std::move(messageKey)),
      m_utf8(m_message.toUtf8()) {}

namespace {

EComPort error(const char* message) {
    return EComPort(QString::fromUtf8(message));
}

int evenSize(int size) {
    return size % 2 != 0 ? size - 1 : size;
}

QSerialPort::DataBits dataBits(TByteSize size) {
    return static_cast<QSerialPort::DataBits>(5 + static_cast<int>(size));
}

QSerialPort::Parity parity(TParity p) {
    switch (p) {
    case TParity::paNone:
        return QSerialPort::NoParity;
    case TParity::paOdd:
        return QSerialPort::OddParity;
    case TParity::paEven:
        return QSerialPort::EvenParity;
    case TParity::paMark:
        return QSerialPort::MarkParity;
    case TParity::paSpace:
        return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits stopBits(TStopBits bits) {
    switch (bits) {
    case TStopBits::sb1:
        return QSerialPort::OneStop;
    case TStopBits::sb1_5:
        return QSerialPort::OneAndHalfStop;
    case TStopBits::sb2:
        return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

} // namespace

int BaudRateValue(TBaudRate rate) {
    static constexpr int values[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                     19200, 38400, 56000, 57600, 115200, 128000, 256000};
    return values[static_cast<int>(rate)];
}

TBComPort::TBComPort(QObject* parent) : ModulePort(parent) {}

TBComPort::~TBComPort() {
    ClosePort();
}

void TBComPort::setPort(const QString& name) {
    if (m_connected)
        throw error(ComPortMessages::ChangeWhileOpen);
    m_port = name;
}

void TBComPort::setSyncMethod(TSyncMethod method) {
    if (m_connected)
        throw error(ComPortMessages::ChangeWhileOpen);
    m_syncMethod = method;
}

void TBComPort::setBaudRate(TBaudRate rate) {
    m_baudRate = rate;
    if (m_connected)
        applyLineSettings();
}

void TBComPort::setByteSize(TByteSize size) {
    m_byteSize = size;
    if (m_connected)
        applyLineSettings();
}

void TBComPort::setParity(TParity p) {
    m_parity = p;
    if (m_connected)
        applyLineSettings();
}

void TBComPort::setStopBits(TStopBits bits) {
    m_stopBits = bits;
    if (m_connected)
        applyLineSettings();
}

void TBComPort::setInBufSize(int size) {
    m_inBufSize = evenSize(size);
    if (m_connected)
        applyQueueSizes();
}

void TBComPort::setOutBufSize(int size) {
    m_outBufSize = evenSize(size);
    if (m_connected)
        applyQueueSizes();
}

// Takes effect with the next transfer: SendText and ReceiveText read them on every call.
void TBComPort::setTimeouts(const TComTimeouts& timeouts) {
    m_timeouts = timeouts;
}

namespace {

// A transfer's time limit from its total timeouts: multiplier x characters + constant, or -1
// (no limit) when either is negative ("maximum").
int totalTimeoutMs(int multiplier, int constant, qint64 characters) {
    if (multiplier < 0 || constant < 0)
        return -1;
    const qint64 total = qint64(multiplier) * characters + constant;
    return int(std::min<qint64>(total, std::numeric_limits<int>::max()));
}

} // namespace

void TBComPort::applyQueueSizes() {
    if (m_inBufSize < 0 || m_outBufSize < 0)
        throw error(ComPortMessages::SetupFailed);
    m_serial->setReadBufferSize(m_inBufSize);
}

void TBComPort::applyLineSettings() {
    const bool ok = m_serial->setBaudRate(BaudRateValue(m_baudRate)) &&
                    m_serial->setDataBits(dataBits(m_byteSize)) &&
                    m_serial->setParity(parity(m_parity)) &&
                    m_serial->setStopBits(stopBits(m_stopBits)) &&
                    m_serial->setFlowControl(QSerialPort::NoFlowControl);
    if (!ok)
        throw error(ComPortMessages::SetStateFailed);
    // Modem lines are wanted on, but adapters and pseudo-terminals that cannot switch them are
    // still usable for the module's three-wire link.
    m_serial->setDataTerminalReady(true);
    m_serial->setRequestToSend(true);
    m_serial->clearError();
}

bool TBComPort::OpenPort() {
    if (m_connected)
        return true;
    auto serial = std::make_unique<QSerialPort>();
    serial->setPortName(m_port);
    if (!serial->open(QIODevice::ReadWrite)) {
        switch (serial->error()) {
        case QSerialPort::DeviceNotFoundError:
            throw error(ComPortMessages::NoSuchPort);
        case QSerialPort::PermissionError:
            // Qt reports both a lock held by another program and a device the user may not
            // open as a permission error; only the second is cured by the group.
            if (::access(QFile::encodeName(QSerialPortInfo(m_port).systemLocation()).constData(),
                         R_OK | W_OK) != 0 &&
                errno == EACCES)
                throw EComPort(QString::fromUtf8(ComPortMessages::NoPermission),
                               QString::fromLatin1(ComPortMessages::NoPermissionKey));
            throw error(ComPortMessages::PortBusy);
        default:
            throw error(ComPortMessages::SetupFailed);
        }
    }
    m_serial = std::move(serial);
    m_connected = true;
    try {
        applyQueueSizes();
        applyLineSettings();
        // Whatever the line delivered before this connection belongs to no command of ours.
        m_serial->clear(QSerialPort::AllDirections);
    } catch (const EComPort&) {
        m_serial->close();
        m_serial.reset();
        m_connected = false;
        throw;
    }
    connect(m_serial.get(), &QSerialPort::readyRead, this, &TBComPort::onReadyRead);
    connect(m_serial.get(), &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { onError(e); });
    return true;
}

bool TBComPort::ClosePort() {
    if (!m_serial) {
        m_connected = false;
        return true;
    }
    QSerialPort* serial = m_serial.release();
    m_connected = false;
    disconnect(serial, nullptr, this, nullptr);
    if (serial->isOpen()) {
        // A line that cannot be switched or purged does not stop the close.
        serial->setDataTerminalReady(false);
        serial->setRequestToSend(false);
        serial->clear(QSerialPort::AllDirections);
    }
    if (m_dispatching) {
        // Closed from inside one of the port's own signals: its notifiers are still on the call
        // stack, so the device is closed once control is back in the event loop.
        QTimer::singleShot(0, serial, [serial] {
            serial->close();
            serial->deleteLater();
        });
    } else {
        serial->close();
        serial->deleteLater();
    }
    return true;
}

void TBComPort::loseConnection(const QString& reason) {
    if (!m_connected)
        return;
    ClosePort();
    emit PortLost(reason);
}

int TBComPort::SendText(const QString& text) {
    if (!m_connected || text.isEmpty())
        return 0;
    const QByteArray bytes = text.toLatin1();
    // The transmit queue takes at most OutBufSize characters at a time; each part must leave
    // within the write timeouts, or the transfer has failed and the port is closed.
    const qsizetype part = m_outBufSize > 0 ? m_outBufSize : bytes.size();
    qint64 sent = 0;
    for (qsizetype at = 0; at < bytes.size(); at += part) {
        const QByteArray chunk = bytes.mid(at, part);
        const qint64 written = m_serial->write(chunk);
        if (written < 0) {
            loseConnection(QString::fromUtf8(ComPortMessages::WriteFailed));
            return 0;
        }
        m_serial->flush();
        if (m_serial->bytesToWrite() > 0 &&
            !m_serial->waitForBytesWritten(totalTimeoutMs(
                m_timeouts.WriteTotalMultiplier, m_timeouts.WriteTotalConstant, chunk.size())) &&
            m_serial && m_serial->bytesToWrite() > 0) {
            loseConnection(QString::fromUtf8(ComPortMessages::WriteFailed));
            return int(sent);
        }
        if (!m_connected)
            return int(sent);
        sent += written;
    }
    return int(sent);
}

int TBComPort::ReceiveText(QString& text, int count) {
    text.clear();
    if (!m_connected || count <= 0)
        return 0;
    // With ReadInterval "maximum" and both read totals 0 a read returns at once with what is
    // waiting (the program's setting: reads follow RxChar). Other timeouts wait for the
    // characters asked for, up to the read totals, outside the receive dispatch.
    const TComTimeouts& t = m_timeouts;
    const bool returnsAtOnce =
        t.ReadInterval < 0 && t.ReadTotalMultiplier == 0 && t.ReadTotalConstant == 0;
    if (!returnsAtOnce && !m_dispatching && m_serial->bytesAvailable() < count) {
        const int limit = totalTimeoutMs(t.ReadTotalMultiplier, t.ReadTotalConstant, count);
        QElapsedTimer clock;
        clock.start();
        while (m_serial && m_serial->bytesAvailable() < count) {
            const int left = limit < 0 ? -1 : int(limit - clock.elapsed());
            if ((limit >= 0 && left <= 0) || !m_serial->waitForReadyRead(left))
                break;
        }
        if (!m_connected)
            return 0;
    }
    text = QString::fromLatin1(m_serial->read(count));
    return int(text.size());
}

int TBComPort::PendingInputCount() {
    return m_connected ? int(m_serial->bytesAvailable()) : 0;
}

void TBComPort::onReadyRead() {
    const int count = PendingInputCount();
    if (count <= 0)
        return;
    const QScopedValueRollback guard(m_dispatching, true);
    emit RxChar(count);
}

void TBComPort::onError(int e) {
    const QScopedValueRollback guard(m_dispatching, true);
    switch (e) {
    case QSerialPort::ReadError:
        loseConnection(QString::fromUtf8(ComPortMessages::ReadFailed));
        break;
    case QSerialPort::WriteError:
        loseConnection(QString::fromUtf8(ComPortMessages::WriteFailed));
        break;
    case QSerialPort::ResourceError:
        loseConnection(QString::fromUtf8(ComPortMessages::ReadFailed));
        break;
    default:
        // NoError, unsupported modem-line switching and the like leave the link usable.
        break;
    }
}

void TBComPort::ListSerialPorts(QStringList& list) {
    QStringList names = PlatformSerialPortNames();
    std::sort(names.begin(), names.end());
    list = names;
}
