#include "language_applier.h"

#include "decimal_texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTabWidget>

namespace {

// A page of a tab widget: its caption is the tab's text.
QTabWidget* tabWidgetOf(QWidget* page) {
    auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
    return stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
}

bool setCaption(QObject* target, const QString& value) {
    if (auto* action = qobject_cast<QAction*>(target)) {
        action->setText(value);
        return true;
    }
    if (auto* menu = qobject_cast<QMenu*>(target)) {
        menu->setTitle(value);
        return true;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(target)) {
        button->setText(value);
        return true;
    }
    if (auto* label = qobject_cast<QLabel*>(target)) {
        label->setText(value);
        return true;
    }
    if (auto* group = qobject_cast<QGroupBox*>(target)) {
        group->setTitle(value);
        return true;
    }
    auto* widget = qobject_cast<QWidget*>(target);
    if (QTabWidget* tabs = widget ? tabWidgetOf(widget) : nullptr) {
        tabs->setTabText(tabs->indexOf(widget), value);
        return true;
    }
    return false;
}

bool setHint(QObject* target, const QString& value) {
    auto* widget = qobject_cast<QWidget*>(target);
    if (!widget || qobject_cast<QMenu*>(widget) || tabWidgetOf(widget))
        return false;
    widget->setToolTip(value);
    return true;
}

} // namespace

bool ApplyLanguageEntry(QObject* root, const QString& control, const QString& property,
                        const QString& value, QChar separator) {
    if (control.isEmpty())
        return false;
    QObject* target = root->objectName() == control ? root : root->findChild<QObject*>(control);
    if (!target)
        return false;
    if (property == QLatin1String("Caption"))
        return setCaption(target, qobject_cast<QAbstractButton*>(target)
                                      ? WithDecimalSeparator(value, separator)
                                      : value);
    if (property == QLatin1String("Hint"))
        return setHint(target, WithDecimalSeparator(value, separator));
    return false;
}
