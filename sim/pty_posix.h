#pragma once

#include <QByteArray>
#include <QString>

// The few POSIX calls of the simulator: the pseudo-terminal and the stop signals.
namespace sim::posix {

struct Pty {
    int master = -1;
    int slave = -1; // held open so the master does not hang up while no program has the port
    QString slavePath;
};

// Opens a master/slave pair; the slave is in raw mode (no echo, no line editing), 19200 8N1,
// and the master is non-blocking.
bool openPty(Pty* pty, QString* error);
void closePty(Pty* pty);

// Bytes read; 0 when nothing is waiting; -1 on a read error or hang-up.
qint64 readSome(int fd, char* buffer, qint64 size);
// False when the line did not take everything (the rest is dropped).
bool writeAll(int fd, const QByteArray& bytes);

// Makes SIGINT and SIGTERM write one byte to a pipe and returns the pipe's read end (-1 on
// failure); reading it tells the event loop to stop.
int stopSignalPipe();
void drain(int fd);

} // namespace sim::posix
