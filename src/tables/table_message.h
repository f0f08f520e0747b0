#pragma once

#include <QString>
#include <QStringList>

// A message of the table features: a language-file key and its arguments (%1, %2, ...). The
// window looks the key up among its language texts; the command-line tool prints EnglishText.
struct TableMessage {
    QString key;
    QStringList args;
    bool operator==(const TableMessage&) const = default;
};

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

// The message in English with its arguments filled in.
QString EnglishText(const TableMessage& message);
// Fills %1, %2, ... of a template with the message's arguments.
QString FillMessage(const QString& textTemplate, const QStringList& args);
