#pragma once

#include "curve_model.h"
#include "curve_overlay.h"
#include "curve_proposals.h"
#include "curve_transfer.h"

#include <QObject>

class TransactionEngine;

namespace curve {

// Everything the curve page works with, created together on the program's engine: the curve,
// its transfers, the overlay poll and the choice the arc proposals remember between runs.
class CurveFeatures : public QObject {
    Q_OBJECT
public:
    explicit CurveFeatures(TransactionEngine& engine, QObject* parent = nullptr)
        : QObject(parent), m_transfer(engine, m_model), m_overlay(engine) {
        connect(&m_model, &CurveModel::labelsChanged, this,
                [this] { m_overlay.setStretched(m_model.stretched()); });
    }

    CurveModel& model() { return m_model; }
    CurveTransfer& transfer() { return m_transfer; }
    OverlayPoll& overlay() { return m_overlay; }
    ArcMemory& arcMemory() { return m_arcMemory; }

private:
    CurveModel m_model;
    CurveTransfer m_transfer;
    OverlayPoll m_overlay;
    ArcMemory m_arcMemory;
};

} // namespace curve
