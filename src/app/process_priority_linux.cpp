// The only file that talks to the operating system about scheduling priority.
#include "process_priority.h"

#include <QDir>

#include <cerrno>
#include <cstring>
#include <sys/resource.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString RefusedMessage(ProcessPriority priority, int error) {
    QString message = QStringLiteral("The program priority cannot be set to \"%1\" (nice %2): %3.")
                          .arg(ProcessPriorityName(priority))
                          .arg(NiceValueOf(priority))
                          .arg(SystemError(error));
    if (error == EACCES || error == EPERM) {
        message += QStringLiteral(" Raising the priority needs the CAP_SYS_NICE capability or a "
                                  "higher RLIMIT_NICE limit for this user.");
    }
    return message;
}

} // namespace

QString SetProcessPriority(ProcessPriority priority) {
    const int niceValue = NiceValueOf(priority);
    // Linux keeps a nice value per thread; the calling thread goes first so a refusal changes
    // nothing, then the others (the serial port's waiting thread among them) follow.
    if (setpriority(PRIO_PROCESS, 0, niceValue) != 0)
        return RefusedMessage(priority, errno);

    const pid_t self = pid_t(gettid());
    const QStringList threads =
        QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& thread : threads) {
        bool ok = false;
        const pid_t id = pid_t(thread.toInt(&ok));
        if (!ok || id == self)
            continue;
        if (setpriority(PRIO_PROCESS, id_t(id), niceValue) != 0 && errno != ESRCH)
            return RefusedMessage(priority, errno);
    }
    return {};
}

std::optional<ProcessPriority> CurrentProcessPriority() {
    errno = 0;
    const int niceValue = getpriority(PRIO_PROCESS, 0);
    if (niceValue == -1 && errno != 0)
        return std::nullopt;
    return PriorityOfNiceValue(niceValue);
}
