#pragma once

#include <QString>

class QObject;

// Sets a caption or a hint of the control with this objectName below root, as far as the kind of
// control has that property: captions for panels, buttons, labels, tab sheets, group boxes, radio
// buttons and menu items; hints for everything but tab sheets and menu items. Returns whether a
// control took the value.
bool ApplyLanguageEntry(QObject* root, const QString& control, const QString& property,
                        const QString& value);
