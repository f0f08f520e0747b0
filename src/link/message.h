#pragma once

#include <QString>
#include <QStringList>

// What the program tells the user: a language-file key and the arguments of its %1, %2, ...
// The window looks the key up in the interface language; the command-line tool prints the
// English text. An argument that is itself a key ("Msg_Op_ReadWater") stands for that key's text.
struct Message {
    QString key;
    QStringList args;

    bool isEmpty() const { return key.isEmpty(); }
    bool operator==(const Message&) const = default;
};
