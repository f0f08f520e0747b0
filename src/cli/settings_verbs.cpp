// dump and restore: the module's whole EEPROM to and from a file.
#include "cli_common.h"

int RunDump(QCoreApplication&, const QStringList&) {
    return fail(QStringLiteral("dump is not available yet"));
}

int RunRestore(QCoreApplication&, const QStringList&) {
    return fail(QStringLiteral("restore is not available yet"));
}
