#pragma once

#include "module_port.h"

#include <QStringList>

#include <exception>
#include <memory>

class QSerialPort;

// Errors of the serial port component, carrying the fixed Russian message shown to the user.
// Errors added since also name a language-file message ("Msg_...") that replaces it; its %1 is
// the port.
class EComPort : public std::exception {
public:
    explicit EComPort(QString message, QString messageKey = {});
    const QString& message() const { return m_message; }
    const QString& messageKey() const { return m_messageKey; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QString m_messageKey;
    QByteArray m_utf8;
};

namespace ComPortMessages {
inline const char* const NoSuchPort = "Попытка открыть несуществующий COM-порт";
inline const char* const PortBusy = "Порт занят другой программой";
// The user may not open the device (on Debian serial ports belong to the group dialout).
inline const char* const NoPermission =
    "Нет прав на открытие порта: пользователь должен входить в группу dialout";
inline const char* const NoPermissionKey = "Msg_PortPermission";
inline const char* const WriteFailed = "Ошибка записи в порт";
inline const char* const ReadFailed = "Ошибка чтения из порта";
inline const char* const BadAsync = "Недопустимый параметр Async";
inline const char* const PurgeFailed = "Ошибка функции PurgeComm";
inline const char* const AsyncStatusFailed = "Не удалось получить статус асинхронной операции";
inline const char* const SetStateFailed = "Ошибка функции SetCommState";
inline const char* const SetTimeoutsFailed = "Ошибка функции SetCommTimeouts";
inline const char* const SetupFailed = "Ошибка функции SetupComm";
inline const char* const ClearErrorFailed = "Ошибка функции ClearCommError";
inline const char* const ModemStatusFailed = "Ошибка функции GetCommModemStatus";
inline const char* const EscapeFailed = "Ошибка функции EscapeCommFunction";
inline const char* const ChangeWhileOpen = "Нельзя менять свойство, пока порт открыт";
inline const char* const PortListFailed = "Ошибка обращения к системному реестру";
} // namespace ComPortMessages

enum class TBaudRate {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum class TByteSize { bs5, bs6, bs7, bs8 };
enum class TParity { paNone, paOdd, paEven, paMark, paSpace };
enum class TStopBits { sb1, sb1_5, sb2 };
enum class TSyncMethod { smThreadSync, smWindowSync, smNone };

int BaudRateValue(TBaudRate rate);

// Milliseconds; a negative value means "maximum".
struct TComTimeouts {
    int ReadInterval = -1;
    int ReadTotalMultiplier = 0;
    int ReadTotalConstant = 0;
    int WriteTotalMultiplier = 100;
    int WriteTotalConstant = 1000;
};

// One serial port to the module. Characters received are announced with RxChar(count) on the
// thread that owns the component (the UI thread); a failed transfer or a vanished adapter closes
// the port instead of raising, and Connected() then reads false.
class TBComPort : public ModulePort {
    Q_OBJECT
public:
    explicit TBComPort(QObject* parent = nullptr);
    ~TBComPort() override;

    QString Port() const { return m_port; }
    void setPort(const QString& name); // throws EComPort while open

    TBaudRate BaudRate() const { return m_baudRate; }
    void setBaudRate(TBaudRate rate);
    TByteSize ByteSize() const { return m_byteSize; }
    void setByteSize(TByteSize size);
    TParity Parity() const { return m_parity; }
    void setParity(TParity parity);
    TStopBits StopBits() const { return m_stopBits; }
    void setStopBits(TStopBits bits);
    int InBufSize() const { return m_inBufSize; }
    void setInBufSize(int size); // odd sizes are stored one lower
    int OutBufSize() const { return m_outBufSize; }
    void setOutBufSize(int size);
    TSyncMethod SyncMethod() const { return m_syncMethod; }
    void setSyncMethod(TSyncMethod method); // throws EComPort while open
    TComTimeouts Timeouts() const { return m_timeouts; }
    void setTimeouts(const TComTimeouts& timeouts);

    bool OpenPort() override; // throws EComPort
    bool ClosePort() override;
    bool Connected() const override { return m_connected; }
    int SendText(const QString& text) override;
    int ReceiveText(QString& text, int count) override;
    int PendingInputCount() override;

    // Fills list with the system's serial ports, sorted; previous contents are replaced.
    static void ListSerialPorts(QStringList& list); // throws EComPort

private:
    void applyLineSettings();
    void applyQueueSizes();
    void onReadyRead();
    void onError(int error);
    void loseConnection(const QString& reason);

    QString m_port = QStringLiteral("COM2");
    TBaudRate m_baudRate = TBaudRate::br9600;
    TByteSize m_byteSize = TByteSize::bs8;
    TParity m_parity = TParity::paNone;
    TStopBits m_stopBits = TStopBits::sb1;
    int m_inBufSize = 2048;
    int m_outBufSize = 2048;
    TSyncMethod m_syncMethod = TSyncMethod::smThreadSync;
    TComTimeouts m_timeouts;

    bool m_connected = false;
    bool m_dispatching = false; // inside a signal of the serial port
    std::unique_ptr<QSerialPort> m_serial;
};

// The platform's list of serial port names (device paths on Linux), unsorted.
QStringList PlatformSerialPortNames();
