#include "process_priority.h"

QString ProcessPriorityName(ProcessPriority priority) {
    switch (priority) {
    case ProcessPriority::Idle:
        return QStringLiteral("Низкий");
    case ProcessPriority::Normal:
        return QStringLiteral("Норма");
    case ProcessPriority::High:
        return QStringLiteral("Высокий");
    case ProcessPriority::RealTime:
        return QStringLiteral("Преобладающий");
    }
    return {};
}

int NiceValueOf(ProcessPriority priority) {
    switch (priority) {
    case ProcessPriority::Idle:
        return 19;
    case ProcessPriority::Normal:
        return 0;
    case ProcessPriority::High:
        return -10;
    case ProcessPriority::RealTime:
        return -20;
    }
    return 0;
}

std::optional<ProcessPriority> PriorityOfNiceValue(int niceValue) {
    for (ProcessPriority priority : {ProcessPriority::Idle, ProcessPriority::Normal,
                                     ProcessPriority::High, ProcessPriority::RealTime}) {
        if (NiceValueOf(priority) == niceValue)
            return priority;
    }
    return std::nullopt;
}
