#pragma once

#include <QButtonGroup>
#include <QList>
#include <QToolButton>

#include <functional>
#include <utility>

// A radio group of tool buttons and, for each of them, whether the model shows it pressed.
struct BoundGroup {
    QButtonGroup* group = nullptr;
    QList<std::pair<QToolButton*, std::function<bool()>>> buttons;
};

inline BoundGroup& NewBoundGroup(QList<BoundGroup>& groups, QWidget* parent) {
    BoundGroup group;
    group.group = new QButtonGroup(parent);
    group.group->setExclusive(true);
    groups.append(group);
    return groups.last();
}

inline void ShowBoundGroups(const QList<BoundGroup>& groups) {
    for (const BoundGroup& g : groups) {
        // An exclusive group cannot show no button pressed, which the model can.
        g.group->setExclusive(false);
        for (const auto& [button, pressed] : g.buttons)
            button->setChecked(pressed());
        g.group->setExclusive(true);
    }
}
