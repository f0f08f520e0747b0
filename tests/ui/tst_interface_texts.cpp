// What the user reads: every text of the window comes from the language files, English leaves no
// Russian behind, and at 1280 x 800 every page shows its controls whole, in both languages.
#include "languages.h"
#include "main_window.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

struct Workplace {
    Workplace() {
        QDir().mkpath(dir.filePath(QStringLiteral("Language")));
        for (const QString& f : QDir(QStringLiteral(MARVEK2_LANGUAGE_DIR)).entryList(QDir::Files))
            QFile::copy(QStringLiteral(MARVEK2_LANGUAGE_DIR "/") + f,
                        dir.filePath(QStringLiteral("Language/") + f));
    }
    QTemporaryDir dir;
};

// The page buttons in the order of the left column.
const char* const kPageButtons[] = {"atb_2012_Graph",   "atb_2012_Emulator", "atb_2012_Water",
                                    "atb_2012_Fuel",    "atb_2012_Settings", "atb_2012_Shablon",
                                    "atb_2012_Ingener", "atb_2012_Protocol"};

void applyLanguage(TfmMain& window, const QString& name) {
    auto* list = window.findChild<QComboBox*>(QStringLiteral("scbx_LangDriver"));
    list->setCurrentIndex(list->findText(name));
    emit list->activated(list->currentIndex());
}

// Where a widget sits, for a reader of the failure: its name, or its parent's name and its text.
QString describe(const QWidget* widget, const QString& text = {}) {
    QString path;
    for (const QObject* o = widget; o; o = o->parent()) {
        if (!o->objectName().isEmpty() && !o->objectName().startsWith(QLatin1String("qt_"))) {
            path = o->objectName() + (path.isEmpty() ? QString() : QLatin1Char('/') + path);
            if (o == widget || path.count(QLatin1Char('/')) >= 1)
                break;
        } else if (o == widget) {
            path = QString::fromLatin1(o->metaObject()->className());
        }
    }
    return text.isEmpty() ? path : path + QStringLiteral(" \"") + text + QLatin1Char('"');
}

// Cells, lines of text and a chart's own parts scroll or clip by design.
bool insideScrolledView(const QWidget* widget, const QWidget* top) {
    for (const QWidget* w = widget->parentWidget(); w && w != top; w = w->parentWidget()) {
        if (qobject_cast<const QAbstractScrollArea*>(w) && !qobject_cast<const QScrollArea*>(w))
            return true;
    }
    return false;
}

// The visible texts of a widget that the user reads as captions.
QStringList captionsOf(const QWidget* widget) {
    QStringList texts;
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        texts << button->text();
    else if (auto* label = qobject_cast<const QLabel*>(widget))
        texts << label->text();
    else if (auto* group = qobject_cast<const QGroupBox*>(widget))
        texts << group->title();
    else if (auto* tabs = qobject_cast<const QTabBar*>(widget)) {
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
    }
    if (!widget->toolTip().isEmpty())
        texts << widget->toolTip();
    return texts;
}

bool hasCyrillic(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x0400 && c.unicode() <= 0x04FF)
            return true;
    }
    return false;
}

// The part of a widget that its parents leave drawn, in its own coordinates.
QRect drawnArea(const QWidget* widget) {
    const QWidget* top = widget->window();
    const QPoint origin = widget->mapTo(top, QPoint());
    QRect area = widget->rect();
    for (const QWidget* p = widget->parentWidget(); p && p != top; p = p->parentWidget())
        area &= p->rect().translated(p->mapTo(top, QPoint()) - origin);
    return area;
}

// The width a widget's text needs beyond what the widget has, 0 when it fits.
int shortfall(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget)) {
        if (label->wordWrap() || label->text().isEmpty() || !label->pixmap().isNull() ||
            Qt::mightBeRichText(label->text()))
            return 0;
        int widest = 0;
        for (const QString& line : label->text().split(QLatin1Char('\n')))
            widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
        const int needed = widest + 2 * label->margin() + 2 * label->frameWidth();
        return std::max(0, needed - drawnArea(label).width());
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        if (button->text().isEmpty())
            return 0;
        if (qobject_cast<const QCheckBox*>(widget) || qobject_cast<const QRadioButton*>(widget))
            return std::max(0, button->sizeHint().width() - drawnArea(button).width());
        // A push or tool button: the text and, beside it, the icon, inside a small frame.
        QString text = button->text();
        text.remove(QLatin1Char('&'));
        int needed = button->fontMetrics().horizontalAdvance(text) + 4;
        auto* tool = qobject_cast<const QToolButton*>(widget);
        if (!button->icon().isNull() && tool &&
            tool->toolButtonStyle() == Qt::ToolButtonTextBesideIcon)
            needed += button->iconSize().width() + 4;
        return std::max(0, needed - drawnArea(button).width());
    }
    if (auto* group = qobject_cast<const QGroupBox*>(widget)) {
        if (group->title().isEmpty())
            return 0;
        const int needed = group->fontMetrics().horizontalAdvance(group->title()) + 16;
        return std::max(0, needed - drawnArea(group).width());
    }
    return 0;
}

// Everything that is wrong with what the window shows now: cut texts, widgets outside their page
// or their parent or on a sibling, scroll bars on a page.
QStringList layoutProblems(TfmMain& window, QWidget* page) {
    QStringList problems;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->isWindow() || insideScrolledView(widget, &window))
            continue;
        for (QWidget* other : widget->parentWidget()->findChildren<QWidget*>(
                 QString(), Qt::FindDirectChildrenOnly)) {
            if (other < widget && other->isVisible() &&
                other->geometry().intersects(widget->geometry()) &&
                !(other->objectName() + widget->objectName()).contains(QLatin1String("qt_")))
                problems << describe(widget) + QStringLiteral(" on ") + describe(other);
        }
        QWidget* frame = page->isAncestorOf(widget) ? page : &window;
        if (widget->window() != &window)
            continue;
        const int missing = shortfall(widget);
        if (missing > 0) {
            const QStringList texts = captionsOf(widget);
            problems << QStringLiteral("cut by %1 px: %2")
                            .arg(missing)
                            .arg(describe(widget, texts.value(0)));
        }
        if (auto* button = qobject_cast<QAbstractButton*>(widget);
            button && !button->text().isEmpty() &&
            button->height() < button->fontMetrics().height())
            problems << QStringLiteral("cut in height: %1").arg(describe(widget, button->text()));
        const QRect inFrame(widget->mapTo(frame, QPoint(0, 0)), widget->size());
        const bool empty = widget->width() <= 0 || widget->height() <= 0;
        if (empty && captionsOf(widget).join(QString()).isEmpty())
            continue;
        if (empty)
            problems << QStringLiteral("no room: %1").arg(describe(widget, captionsOf(widget)[0]));
        else if (widget != frame && !frame->rect().contains(inFrame))
            problems << QStringLiteral("outside %1: %2 at %3,%4 %5x%6")
                            .arg(describe(frame), describe(widget))
                            .arg(inFrame.x())
                            .arg(inFrame.y())
                            .arg(inFrame.width())
                            .arg(inFrame.height());
        else if (QWidget* parent = widget->parentWidget();
                 parent && parent != frame && !qobject_cast<QAbstractScrollArea*>(parent) &&
                 !parent->rect().contains(widget->geometry()))
            problems << QStringLiteral("clipped by %1: %2").arg(describe(parent), describe(widget));
        if (auto* area = qobject_cast<QScrollArea*>(widget);
            area &&
            (area->horizontalScrollBar()->isVisible() || area->verticalScrollBar()->isVisible()))
            problems << QStringLiteral("scroll bar needed: %1").arg(describe(area));
    }
    return problems;
}

// Runs check on every page and on every tab of the pages' tab widgets.
template <typename Check> void walkPages(TfmMain& window, Check check) {
    auto* pages = window.findChild<QStackedWidget*>(QStringLiteral("Panel_WorkArea"));
    for (const char* name : kPageButtons) {
        auto* button = window.findChild<QToolButton*>(QLatin1String(name));
        QVERIFY2(button, name);
        button->click();
        QApplication::processEvents();
        QWidget* page = pages ? pages->currentWidget() : window.centralWidget();
        const QList<QTabWidget*> tabWidgets = page->findChildren<QTabWidget*>();
        check(QString::fromLatin1(name), page);
        for (QTabWidget* tabs : tabWidgets) {
            if (!tabs->isVisible())
                continue;
            for (int i = 0; i < tabs->count(); ++i) {
                tabs->setCurrentIndex(i);
                QApplication::processEvents();
                check(QString::fromLatin1(name) + QLatin1Char('/') + tabs->tabText(i), page);
            }
            tabs->setCurrentIndex(0);
        }
    }
}

// The message keys the program asks the language for: every "Msg..." literal of the sources.
QStringList messageKeysOfTheSources() {
    QSet<QString> keys;
    const QRegularExpression literal(QStringLiteral("\"(Msg[A-Za-z0-9_]+)\""));
    QDirIterator files(QStringLiteral(MARVEK2_SOURCE_DIR),
                       {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        for (const QRegularExpressionMatch& m : literal.globalMatch(text))
            keys.insert(m.captured(1));
    }
    QStringList sorted(keys.begin(), keys.end());
    sorted.sort();
    return sorted;
}

} // namespace

class TestInterfaceTexts : public QObject {
    Q_OBJECT
private slots:
    void languageFileCarriesEveryKey_data();
    void languageFileCarriesEveryKey();
    void englishLeavesNoRussian();
    void qtDialogsFollowTheLanguage_data();
    void qtDialogsFollowTheLanguage();
    void pagesFitAt1280x800_data();
    void pagesFitAt1280x800();
};

void TestInterfaceTexts::languageFileCarriesEveryKey_data() {
    QTest::addColumn<QString>("language");
    QTest::newRow("Russian") << "Russian";
    QTest::newRow("English") << "English";
}

// A key one file lacks is a text that stays in the language before; name it.
void TestInterfaceTexts::languageFileCarriesEveryKey() {
    QFETCH(QString, language);
    const LanguageFileContent file =
        ReadLanguageFile(QStringLiteral(MARVEK2_LANGUAGE_DIR "/") + language + ".lng");
    QVERIFY2(file.ok(), qPrintable(EnglishText(file.error)));
    QSet<QString> present;
    for (const LanguageFileEntry& e : file.entries) {
        present.insert(e.control + QLatin1Char('#') + e.property);
        present.insert(e.control);
    }
    QStringList required;
    for (int n : {1,  4,  5,  6,  9,  10, 11, 12, 13, 14, 15, 16, 18, 19, 26, 28, 29, 30,
                  31, 32, 33, 34, 37, 38, 39, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51})
        required << QStringLiteral("Text%1").arg(n, 2, 10, QLatin1Char('0'));
    required << messageKeysOfTheSources();
    // Every control caption the Russian file gives, the other language gives too.
    const LanguageFileContent russian =
        ReadLanguageFile(QStringLiteral(MARVEK2_LANGUAGE_DIR "/Russian.lng"));
    for (const LanguageFileEntry& e : russian.entries) {
        if (!InterfaceTexts::IsMessageKey(e.control))
            required << e.control + QLatin1Char('#') + e.property;
    }
    QStringList missing;
    for (const QString& key : required) {
        if (!present.contains(key))
            missing << key;
    }
    missing.removeDuplicates();
    QVERIFY2(missing.isEmpty(), qPrintable(language + QStringLiteral(".lng lacks: ") +
                                           missing.join(QStringLiteral(", "))));
}

// In English no page, tab, button, label or hint keeps a Russian word, shown or hidden; each one
// found is named.
void TestInterfaceTexts::englishLeavesNoRussian() {
    Workplace place;
    StartOptions options;
    options.workingDirectory = place.dir.path();
    TfmMain window(options);
    window.resize(1280, 800);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.Btn_UnBlockClick();
    applyLanguage(window, QStringLiteral("English"));
    QStringList russian;
    for (QAction* action : window.findChildren<QAction*>()) {
        if (hasCyrillic(action->text()))
            russian << action->objectName() + QStringLiteral(" \"") + action->text() + '"';
    }
    walkPages(window, [&](const QString&, QWidget*) {
        // Hidden controls too: they show once a module or a file is there.
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            // The small windows take their texts from the language as they open.
            if (widget->window() != &window)
                continue;
            for (const QString& text : captionsOf(widget)) {
                if (hasCyrillic(text))
                    russian << describe(widget, text);
            }
        }
    });
    russian.removeDuplicates();
    for (const QString& r : std::as_const(russian))
        qWarning("Russian in English: %s", qPrintable(r));
    QVERIFY2(russian.isEmpty(), qPrintable(QStringLiteral("Russian in English:\n  ") +
                                           russian.join(QStringLiteral("\n  "))));
}

void TestInterfaceTexts::qtDialogsFollowTheLanguage_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("cancel");
    QTest::newRow("Russian") << "Russian" << QStringLiteral("Отмена");
    QTest::newRow("English") << "English"
                             << "Cancel";
}

// Qt's own buttons and dialogs speak the interface language, switching with it.
void TestInterfaceTexts::qtDialogsFollowTheLanguage() {
    QFETCH(QString, language);
    QFETCH(QString, cancel);
    Workplace place;
    StartOptions options;
    options.workingDirectory = place.dir.path();
    TfmMain window(options);
    applyLanguage(window, language == QLatin1String("Russian") ? QStringLiteral("English")
                                                               : QStringLiteral("Russian"));
    applyLanguage(window, language);
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')), cancel);
}

void TestInterfaceTexts::pagesFitAt1280x800_data() {
    QTest::addColumn<QString>("language");
    QTest::newRow("Russian") << "Russian";
    QTest::newRow("English") << "English";
}

// At 1280 x 800 every visible caption fits its control and every control lies on its page.
void TestInterfaceTexts::pagesFitAt1280x800() {
    QFETCH(QString, language);
    Workplace place;
    StartOptions options;
    options.workingDirectory = place.dir.path();
    TfmMain window(options);
    window.resize(1280, 800);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.Btn_UnBlockClick();
    applyLanguage(window, language);
    window.findChild<QPushButton*>(QStringLiteral("sButton2"))->click(); // engineering groups
    QCOMPARE(window.size(), QSize(1280, 800));
    QStringList problems;
    walkPages(window, [&](const QString& where, QWidget* page) {
        for (const QString& p : layoutProblems(window, page))
            problems << where + QStringLiteral(": ") + p;
    });
    problems.removeDuplicates();
    for (const QString& p : std::as_const(problems))
        qWarning("%s: %s", qPrintable(language), qPrintable(p));
    QVERIFY2(problems.isEmpty(),
             qPrintable(QStringLiteral("\n  ") + problems.join(QStringLiteral("\n  "))));
}

QTEST_MAIN(TestInterfaceTexts)
#include "tst_interface_texts.moc"
