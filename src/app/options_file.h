#pragma once

#include "message.h"

#include <QString>

// Options.ini beside Info_A.ini and Config_A.ini: the program's own options that those two files
// have no line for. Written with QSettings in its ini format; a missing file or key gives the
// default.
inline constexpr auto kOptionsFileName = "Options.ini";

struct ProgramOptions {
    // "Быстрый обмен": transfers send their next command as soon as the module has answered.
    bool fastTransfers = false;
    // How long the line must stay quiet before a command follows sends whose answers are still
    // owed (they are then taken as lost). Longer for a module that may be busy for long.
    static constexpr int kDefaultLateAnswerWindowMs = 250;
    static constexpr int kMinLateAnswerWindowMs = 50;
    static constexpr int kMaxLateAnswerWindowMs = 5000;
    int lateAnswerWindowMs = kDefaultLateAnswerWindowMs;
};

struct OptionsFileContent {
    ProgramOptions options;
    Message error; // the file exists but cannot be read; the defaults are used
};

OptionsFileContent ReadOptionsFile(const QString& path);
// Returns an error text naming the file, or empty.
QString WriteOptionsFile(const QString& path, const ProgramOptions& options);
