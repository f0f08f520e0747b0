#pragma once

#include "languages.h"
#include "message.h"

#include <QWidget>

class DisplayThrottle;
class OperationStatus;
class QLabel;
class QShortcut;
class QToolButton;

// Beside the progress bar: what the long operation is and how far it got ("Чтение таблицы воды:
// 23 из 64 (36 %)"), how it ended (kept until the next one starts), and "Отменить" (or Esc) while
// it can be cancelled.
class OperationLine : public QWidget {
    Q_OBJECT
public:
    OperationLine(OperationStatus& status, DisplayThrottle& throttle, QWidget* parent = nullptr);

    // The interface language: what is on show is worded again.
    void setTexts(const InterfaceTexts& texts);
    QString text() const;

    QLabel* Lbl_Operation = nullptr;
    QToolButton* btn_Operation_Cancel = nullptr;

private:
    void show();

    OperationStatus& m_status;
    DisplayThrottle& m_throttle;
    InterfaceTexts m_texts;
    QShortcut* m_escape = nullptr;
    Message m_outcome; // how the last operation ended, while none runs
    bool m_failed = false;
};
