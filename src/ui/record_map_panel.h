#pragma once

#include "cell_map.h"
#include "languages.h"

#include <QGroupBox>
#include <QPointer>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;
class QTimer;
class SurfaceView;

namespace telemetry {
class Recording;
class RecordingArchive;
} // namespace telemetry

// "Данные записи" on the table page: the cell map of the current recording (live or opened from
// a file) laid over the table view as colours, with the figures in each cell's hint, and over the
// surface as the quads' colours. The map follows the recording's chart window (the points the
// chart shows; all of them while its axis is automatic), the correction basis, the value chosen
// (time in the cell, or one channel's mean) and an optional condition on one channel. Cells never
// visited stay as they are; the table's values are never touched.
class RecordMapPanel : public QGroupBox {
    Q_OBJECT
public:
    RecordMapPanel(QTableWidget* grid, SurfaceView* surface, QWidget* parent = nullptr);
    ~RecordMapPanel() override;

    void setArchive(telemetry::RecordingArchive* archive);
    void setTexts(const InterfaceTexts& texts);
    void setBasis(CorrectionBasis basis);

    // The map shown now; nothing while the switch is off or there is no recording.
    const std::optional<telemetry::CellMap>& map() const { return m_map; }
    // The hint of view cell (column, row 1..8) while the map is shown; empty otherwise.
    QString cellHint(int column, int row) const;

    QCheckBox* cb_Record_Data = nullptr;
    QComboBox* cbx_Record_Value = nullptr;
    QComboBox* cbx_Record_Condition = nullptr;  // "Все отсчёты" or a channel
    QComboBox* cbx_Record_Comparison = nullptr; // ">" or "<"
    QLineEdit* Ed_Record_Condition = nullptr;
    QLabel* Lbl_Record_Data = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class ShadeLayer;
    void followRecording(telemetry::Recording* recording);
    void fillValueChoices();
    // Builds the map again now, or soon (a live recording grows several times a second).
    void rebuild();
    void rebuildSoon();
    void present();
    bool showsDwell() const;
    QString text(const char* key) const;

    QPointer<QTableWidget> m_grid;
    QPointer<SurfaceView> m_surface;
    QPointer<ShadeLayer> m_layer;
    QTimer* m_soon;
    QPointer<telemetry::RecordingArchive> m_archive;
    QPointer<telemetry::Recording> m_recording;
    QList<QMetaObject::Connection> m_recordingConnections;
    InterfaceTexts m_texts;
    CorrectionBasis m_basis = CorrectionBasis::InjectionTime;
    std::optional<telemetry::CellMap> m_map;
    bool m_conditionError = false;
};
