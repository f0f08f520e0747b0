#pragma once

#include "main_window.h"

#include <QPixmap>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class QWidget;

// What every screenshot program shares: a temporary working folder with the language files, the
// folder the pictures go to (the first argument, else the current folder), and the main window at
// 1280 x 800 on a simulated module's port.
class ScreenshotRig {
public:
    ScreenshotRig(int argc, char* argv[]);

    QString workingFolder() const { return m_work.path(); }
    // OUT/name.png
    QString picturePath(const QString& name) const;

    // The window on the port, shown and exposed; transaction intervals multiplied by
    // intervalScale so that transfers take less of the tool's time.
    std::unique_ptr<TfmMain> openWindow(const QString& port, double intervalScale) const;

    // Saves the picture as OUT/name.png and prints the path with "saved" or "NOT SAVED".
    void save(const QPixmap& picture, const QString& name) const;
    // The window alone, after a short wait so that it has painted.
    void shoot(QWidget& window, const QString& name) const;
    // The whole screen, with the window and whatever it has opened over it.
    void shootScreen(QWidget& window, const QString& name) const;

private:
    QString m_outFolder;
    QTemporaryDir m_work;
};

// The child of that objectName; a missing one ends the program, as the pictures would be wrong.
QObject* FindControl(QObject* root, const char* name);
template <typename T> T* Control(QObject* root, const char* name) {
    auto* found = qobject_cast<T*>(FindControl(root, name));
    if (!found)
        qFatal("%s is not a %s", name, T::staticMetaObject.className());
    return found;
}

// Clicks the button of that objectName and lets the window react.
void Click(QObject* root, const char* name);
// Connects ("atb_2012_B_ModuleOn"), waits until the module is identified as a Marvek-2 and
// closes the connection notice. Ends the program when it is not identified within timeoutMs.
void ConnectModule(TfmMain& window, int timeoutMs = 30000);
// Shows the curve page and reads the curve from the module ("atb_Emu_In_2"). Ends the program
// when the read does not end within a minute.
class EmulatorPage;
EmulatorPage* ReadCurve(TfmMain& window);
// Chooses an installed language in "scbx_LangDriver" as the user does.
void ChooseLanguage(TfmMain& window, const QString& name);
// "ru" for Russian, "en" for English: the picture names' language part.
QString LanguageTag(const QString& name);
