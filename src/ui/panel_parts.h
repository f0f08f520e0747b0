#pragma once

#include <QStackedLayout>
#include <QString>
#include <QToolButton>
#include <QWidget>

#include <initializer_list>

// A tool button named for the language files.
inline QToolButton* NamedButton(const char* name, const QString& text, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(text);
    return b;
}

// Puts widgets on one place; the one shown is the one in front.
inline QWidget* OnePlace(QWidget* parent, std::initializer_list<QWidget*> widgets) {
    auto* holder = new QWidget(parent);
    auto* stack = new QStackedLayout(holder);
    stack->setStackingMode(QStackedLayout::StackAll);
    for (QWidget* w : widgets) {
        w->setParent(holder);
        stack->addWidget(w);
    }
    return holder;
}
