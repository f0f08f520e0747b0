#pragma once

#include "lambda_training.h"

#include <QDialog>

class QLabel;
class QToolButton;

// The confirmation window of the lambda emulator training: TfmLambdaOn (switch on) or
// TfmLambdaOff (switch off). It is shown window-modal without blocking (QDialog::open) and
// reports the user's answer through answered().
class LambdaWindow : public QDialog {
    Q_OBJECT
public:
    LambdaWindow(LambdaConfirmation which, QWidget* parent = nullptr);

    LambdaConfirmation which() const { return m_which; }
    // Replaces the texts (they come from the language file each time) and shows the window.
    void ask(const LambdaConfirmationTexts& texts);

    QLabel* Label1 = nullptr;
    QToolButton* atb_OK = nullptr;
    QToolButton* atb_Cancel = nullptr;

signals:
    void answered(LambdaConfirmation which, bool ok);

private:
    LambdaConfirmation m_which;
};
