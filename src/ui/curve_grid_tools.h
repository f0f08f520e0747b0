#pragma once

#include "curve_range_ops.h"
#include "grid_tools.h"
#include "snapshot_undo.h"

#include <QStringList>

#include <optional>

class QTableWidget;

// sgrid_Emu's context menu and keys: range operations on the selected points, copy and paste,
// undo and redo of every change to the curve, and the compare with a curve file, a dump or the
// curve as last read from the module.
class CurveGridTools : public GridTools {
    Q_OBJECT
public:
    CurveGridTools(QTableWidget* grid, curve::CurveModel& model, QObject* parent);

    // A drag on the chart, a held step button or a transfer: one undo step for all of it.
    void hold() { m_recorder.hold(); }
    void release() { m_recorder.release(); }
    void settleUndo() override { m_recorder.settle(); }
    // A complete read: the reference of "compare with the last read".
    void rememberRead() { m_lastRead = m_model.texts(); }

    bool comparing() const { return m_reference.has_value(); }
    // The points marked as different from the reference.
    QList<int> markedPoints() const { return m_marked; }

protected:
    void operate(Command command, double argument) override;
    QString copySelection() const override;
    void paste(const QString& text) override;
    void compareWithFile(const QString& path) override;
    void compareWithRead() override;
    void compareOff() override;
    std::optional<double> parse(const QString& text) const override;
    QString fileFilter() const override;
    QString historyKind() const override { return QStringLiteral("curve"); }
    void openFile(const QString& path) override;

public:
    // A complete read or a verified write: a copy into the history.
    void keepInHistory(const QString& what, const QStringList& texts);

private:
    curve::PointRange selection() const;
    void report(const curve::Message& m);
    void mark();

    QTableWidget* m_table;
    curve::CurveModel& m_model;
    SnapshotUndo<curve::CurveSnapshot> m_recorder;
    std::optional<QStringList> m_reference;
    std::optional<QStringList> m_lastRead;
    QList<int> m_marked;
};
