#include "curve_messages.h"

namespace curve {

Message MakeMessage(const char* key, const QStringList& args) {
    return {QLatin1String(key), args};
}

} // namespace curve
