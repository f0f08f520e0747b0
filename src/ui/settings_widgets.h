#pragma once

#include "numeric_settings.h"

#include <QWidget>

#include <functional>

#include <optional>

// The small scale window of a numeric setting (Chart_OPR ..): a horizontal axis over the window
// the page model holds, with the value (the window's centre) drawn as a bar and the part of the
// window beyond the setting's limits greyed out.
class ScaleBar : public QWidget {
    Q_OBJECT
public:
    ScaleBar(NumericSetting setting, QWidget* parent = nullptr);

    void setWindow(const std::optional<ScaleWindow>& window);
    const std::optional<ScaleWindow>& window() const { return m_window; }
    // How the end values are written (the user's decimal separator).
    void setNumberText(std::function<QString(double)> text) { m_numberText = std::move(text); }

    QSize sizeHint() const override { return {150, 34}; }
    QSize minimumSizeHint() const override { return {90, 30}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    NumericSetting m_setting;
    std::optional<ScaleWindow> m_window;
    std::function<QString(double)> m_numberText;
};
