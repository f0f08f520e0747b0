#pragma once

#include <QChar>
#include <QString>

class QObject;

// Sets a caption or a hint of the control with this objectName below root, as far as the kind of
// control has that property: captions for panels, buttons, labels, tab sheets, group boxes, radio
// buttons, check boxes and menu items (a check box's text is as visible as a radio button's, so
// the language names it too); hints for everything but tab sheets and menu items. Returns whether
// a control took the value. The numbers of hints and of button captions ("0,45 В") are written
// with the interface's decimal separator, as every number the program shows.
bool ApplyLanguageEntry(QObject* root, const QString& control, const QString& property,
                        const QString& value, QChar separator);
