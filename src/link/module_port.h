#pragma once

#include <QObject>
#include <QString>

// What the transaction engine needs of a serial line to the module. TBComPort implements it on a
// real serial port; tests pass an in-memory port.
class ModulePort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Returns the connected flag. Failures are thrown as EComPort by implementations that open
    // real devices.
    virtual bool OpenPort() = 0;
    virtual bool ClosePort() = 0;
    virtual bool Connected() const = 0;

    // Writes the text as it is; returns the number of characters written. A failed transfer
    // closes the port and returns what was written so far.
    virtual int SendText(const QString& text) = 0;
    // Reads up to count waiting characters into text; returns the number read.
    virtual int ReceiveText(QString& text, int count) = 0;
    virtual int PendingInputCount() = 0;

signals:
    // Characters arrived; count > 0, delivered on the thread that owns the port.
    void RxChar(int count);
    // The port closed itself after a failed transfer or a vanished device.
    void PortLost(const QString& reason);
};
