#pragma once

#include <QString>

#include <optional>

// The priority classes offered on the engineering page (sRadioGroup1), in the order of its items.
enum class ProcessPriority {
    Idle,     // "Низкий"
    Normal,   // "Норма"
    High,     // "Высокий"
    RealTime, // "Преобладающий"
};

// The name the engineering page shows for a class.
QString ProcessPriorityName(ProcessPriority priority);

// On Linux the classes are scheduling priorities (nice values) 19, 0, -10 and -20.
int NiceValueOf(ProcessPriority priority);
// The class of a nice value; empty for values between the classes.
std::optional<ProcessPriority> PriorityOfNiceValue(int niceValue);

// Applies the class to every thread of the program. Raising the priority above normal needs a
// privilege most users lack; a refused change is reported, never silently dropped. Returns an
// error message, or empty.
[[nodiscard]] QString SetProcessPriority(ProcessPriority priority);

// The program's current class; empty when its priority is none of the four classes (or cannot
// be read).
std::optional<ProcessPriority> CurrentProcessPriority();
