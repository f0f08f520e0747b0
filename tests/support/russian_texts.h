#pragma once

#include "languages.h"

// The program's default language, as the window applies it at start-up: pages under test speak
// it like the program does (without any language they would speak the built-in English).
inline InterfaceTexts RussianTexts() {
    InterfaceTexts texts;
    texts.apply(ReadLanguageFile(QStringLiteral(MARVEK2_LANGUAGE_DIR "/Russian.lng")).entries);
    return texts;
}
