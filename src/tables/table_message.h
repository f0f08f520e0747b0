#pragma once

#include "message.h"

// What the table features report: a Message with one of these keys, worded from the language
// files (the window in its language, the command-line tool in the built-in English).

namespace table_messages {
// Keys, with the text each one stands for.
inline constexpr auto NotANumber = "Msg_Table_NotANumber";         // '%1' is not a number
inline constexpr auto FlowNotANumber = "Msg_Table_FlowNotANumber"; // injector flow '%1'
inline constexpr auto FileRead = "Msg_Table_FileRead";             // file %1: reason %2
inline constexpr auto FileLineCount = "Msg_Table_FileLineCount";   // file %1 has %2 lines
inline constexpr auto FileLine = "Msg_Table_FileLine";             // file %1, line %2: '%3'
inline constexpr auto FileLimited = "Msg_Table_FileLimited";       // file %1, line %2, count %3
inline constexpr auto FileExtraLines = "Msg_Table_FileExtraLines"; // file %1, from line %2
inline constexpr auto FileWrite = "Msg_Table_FileWrite";           // file %1: reason %2
inline constexpr auto CellNotANumber = "Msg_Table_CellNotANumber"; // column %1, row %2: '%3'
inline constexpr auto PortClosed = "Msg_Table_PortClosed";
inline constexpr auto Busy = "Msg_Table_Busy"; // %1: the running timer
} // namespace table_messages
