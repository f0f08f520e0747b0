#pragma once

#include "message.h"

#include <QString>
#include <QStringList>

namespace curve {

// What the curve features report to the user, worded from the language files (the window in its
// language, the command-line tool in the built-in English).
using Message = ::Message;

// The keys.
inline constexpr auto kMsgNotNumber = "MsgCurveNotNumber";             // %1 text
inline constexpr auto kMsgFileMissingLine = "MsgCurveFileMissingLine"; // %1 file, %2 line
inline constexpr auto kMsgFileExtraLine = "MsgCurveFileExtraLine";     // %1 file, %2 line
inline constexpr auto kMsgFileLimited = "MsgCurveFileLimited";         // %1 file, %2 line, %3 count
inline constexpr auto kMsgFileNotNumber = "MsgCurveFileNotNumber";     // %1 file, %2 line, %3 text
inline constexpr auto kMsgFileError = "MsgCurveFileError";             // %1 the system's text
inline constexpr auto kMsgGridNotNumber = "MsgCurveGridNotNumber";     // %1 point, %2 text
inline constexpr auto kMsgArcSegment = "MsgCurveArcSegment";
inline constexpr auto kMsgLineSegment = "MsgCurveLineSegment";
inline constexpr auto kMsgReadStopped = "MsgCurveReadStopped"; // %1 pairs
inline constexpr auto kMsgPortClosed = "MsgCurvePortClosed";
inline constexpr auto kMsgBusy = "MsgCurveBusy";
inline constexpr auto kMsgBusyWith = "MsgCurveBusyWith";         // %1 the running operation's key
inline constexpr auto kMsgStepNoAnswer = "MsgCurveStepNoAnswer"; // %1 point, %2 address digits
inline constexpr auto kMsgReadLine = "MsgCurveReadLine"; // the chart's label of the last read

Message MakeMessage(const char* key, const QStringList& args = {});

} // namespace curve
