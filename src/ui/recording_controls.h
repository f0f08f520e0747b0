#pragma once

#include "info_file.h"

#include <QList>
#include <QWidget>

class InterfaceLock;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QToolButton;

namespace telemetry {
class LiveRecorder;
struct RecorderControls;
} // namespace telemetry

// The recording controls of the chart page's "Параметры" tab: navigation and the page display,
// start, pause, continue, stop and clear, the record file buttons, the allowed deviation and the
// poll interval. They hand the user's actions to the recorder and show its state.
class RecordingControls : public QWidget {
    Q_OBJECT
public:
    explicit RecordingControls(telemetry::LiveRecorder& recorder, QWidget* parent = nullptr);

    void addToLock(InterfaceLock& lock);
    // Info_A.ini: the poll interval, the deviation limit, the page display and its width.
    void applyInfo(const InfoSettings& info);
    void storeInfo(InfoSettings& info) const;
    void showControls(const telemetry::RecorderControls& controls);

signals:
    void openFileRequested();
    void saveFileRequested();
    // "Оси": the axis panels shown or hidden.
    void axisPanelsToggled();

private:
    QWidget* buildNavigation();
    void addPageWidth(QGridLayout* nav, QWidget* navigation);
    QWidget* buildRecording();
    QWidget* buildDeviationLimit();
    QWidget* buildInterval();

    telemetry::LiveRecorder& m_recorder;
    QToolButton* atb_Chart1_Start = nullptr;
    QToolButton* atb_Chart1_Pause = nullptr;
    QToolButton* atb_Chart1_Continue = nullptr;
    QToolButton* atb_Chart1_Stop = nullptr;
    QToolButton* atb_Chart1_Delete = nullptr;
    QToolButton* atb_Param_Open_2 = nullptr;
    QToolButton* atb_Param_Save_2 = nullptr;
    QToolButton* atb_Type_Graf_Nepr = nullptr;
    QToolButton* atb_Type_Graf_Page = nullptr;
    QLineEdit* Edit_Width_Page_Graf = nullptr;
    QList<QToolButton*> m_navigation;
    QGroupBox* sGroupBox14 = nullptr;
    QLineEdit* Ed_Limit = nullptr;
    QComboBox* cb_Int_Graf_In = nullptr;
};
