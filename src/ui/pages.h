#pragma once

#include <QWidget>

class QCheckBox;
class QPlainTextEdit;

// The work-area pages. Each lies on top of the others and fills the work area; the page shown is
// the one brought to the front last.

// The operations journal.
class ProtocolPage : public QWidget {
    Q_OBJECT
public:
    explicit ProtocolPage(QWidget* parent = nullptr);

    QPlainTextEdit* MemoProtocol = nullptr;
    QCheckBox* cb_Protocol_Ask = nullptr;
};
