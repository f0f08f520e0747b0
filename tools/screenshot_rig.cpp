#include "screenshot_rig.h"

#include "emulator_page.h"
#include "transaction_engine.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include <cstdio>

ScreenshotRig::ScreenshotRig(int argc, char* argv[])
    : m_outFolder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath()) {
    QDir().mkpath(m_outFolder);
    const QDir languages(QStringLiteral(MARVEK2_LANGUAGE_DIR));
    QDir().mkpath(m_work.filePath(QStringLiteral("Language")));
    for (const QString& f : languages.entryList(QDir::Files))
        QFile::copy(languages.filePath(f), m_work.filePath(QStringLiteral("Language/") + f));
}

QString ScreenshotRig::picturePath(const QString& name) const {
    return QDir(m_outFolder).filePath(name + QStringLiteral(".png"));
}

std::unique_ptr<TfmMain> ScreenshotRig::openWindow(const QString& port,
                                                   double intervalScale) const {
    StartOptions options;
    options.workingDirectory = m_work.path();
    options.port = port;
    options.intervalScale = intervalScale;
    auto window = std::make_unique<TfmMain>(options);
    window->resize(1280, 800);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        std::fprintf(stderr, "the window was not shown; the pictures may be empty\n");
    return window;
}

void ScreenshotRig::save(const QPixmap& picture, const QString& name) const {
    const QString path = picturePath(name);
    std::printf("%s %s\n", qPrintable(path), picture.save(path) ? "saved" : "NOT SAVED");
    std::fflush(stdout);
}

void ScreenshotRig::shoot(QWidget& window, const QString& name) const {
    QTest::qWait(300);
    save(window.grab(), name);
}

void ScreenshotRig::shootScreen(QWidget& window, const QString& name) const {
    QTest::qWait(300);
    QApplication::processEvents();
    save(window.screen()->grabWindow(0), name);
}

QObject* FindControl(QObject* root, const char* name) {
    QObject* found = root->findChild<QObject*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

void Click(QObject* root, const char* name) {
    Control<QAbstractButton>(root, name)->click();
    QApplication::processEvents();
}

void ConnectModule(TfmMain& window, int timeoutMs) {
    Click(&window, "atb_2012_B_ModuleOn");
    auto* name = Control<QLabel>(&window, "StatusBar_Bottom_Panel0");
    if (!QTest::qWaitFor([&] { return name->text().contains(QLatin1String("Marvek-2")); },
                         timeoutMs))
        qFatal("the module was not identified");
    // The connection notice would stand in front of the pages.
    QDialog* notice = nullptr;
    static_cast<void>(QTest::qWaitFor(
        [&] {
            for (QDialog* d : window.findChildren<QDialog*>()) {
                if (d->isVisible())
                    notice = d;
            }
            return notice != nullptr;
        },
        3000));
    if (notice)
        notice->accept();
    QTest::qWait(300);
}

EmulatorPage* ReadCurve(TfmMain& window) {
    Click(&window, "atb_2012_Emulator");
    auto* page = Control<EmulatorPage>(&window, "Panel_Emu");
    Click(&window, "atb_Emu_In_2");
    QTest::qWait(200);
    if (!QTest::qWaitFor([&] { return !window.engine().anyEnabled(); }, 60000))
        qFatal("the curve was not read");
    return page;
}

void ChooseLanguage(TfmMain& window, const QString& name) {
    auto* languages = Control<QComboBox>(&window, "scbx_LangDriver");
    languages->setCurrentIndex(languages->findText(name));
    emit languages->activated(languages->currentIndex());
}

QString LanguageTag(const QString& name) {
    return name == QLatin1String("Russian") ? QStringLiteral("ru") : QStringLiteral("en");
}
