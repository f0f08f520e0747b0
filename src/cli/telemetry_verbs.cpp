// log: recording the live values without a window.
#include "cli_common.h"

int RunLog(QCoreApplication&, const QStringList&) {
    return fail(QStringLiteral("log is not available yet"));
}
