#include "curve_grid_tools.h"

#include "curve_codec.h"
#include "curve_file.h"
#include "dump_file.h"

#include <QSignalBlocker>
#include <QTableWidget>

using namespace curve;

namespace {

const QColor kDifferentColour(255, 196, 120);

} // namespace

CurveGridTools::CurveGridTools(QTableWidget* grid, CurveModel& model, QObject* parent)
    : GridTools(grid, false, parent), m_table(grid), m_model(model),
      m_recorder(
          m_undo, [&model] { return TakeSnapshot(model); },
          [&model](const CurveSnapshot& s) { RestoreSnapshot(model, s); }) {
    m_table->setSelectionMode(QAbstractItemView::ContiguousSelection);
    connect(&model, &CurveModel::textChanged, this, [this] {
        m_recorder.changed();
        mark();
    });
    connect(&model, &CurveModel::seriesChanged, this, [this] { m_recorder.changed(); });
}

PointRange CurveGridTools::selection() const {
    const QList<QTableWidgetSelectionRange> ranges = m_table->selectedRanges();
    if (ranges.isEmpty())
        return PointRange::spanning(m_table->currentRow(), m_table->currentRow());
    int first = ranges.first().topRow();
    int last = ranges.first().bottomRow();
    for (const QTableWidgetSelectionRange& r : ranges) {
        first = std::min(first, r.topRow());
        last = std::max(last, r.bottomRow());
    }
    return PointRange::spanning(first, last);
}

void CurveGridTools::report(const Message& m) {
    if (m.isEmpty())
        return;
    emit message(m_texts.message(m));
}

void CurveGridTools::operate(Command command, double argument) {
    PointOperation op = PointOperation::Set;
    switch (command) {
    case Command::Set:
        op = PointOperation::Set;
        break;
    case Command::Add:
    case Command::Subtract:
        op = PointOperation::Add;
        break;
    case Command::Scale:
        op = PointOperation::Scale;
        break;
    case Command::Smooth:
        op = PointOperation::Smooth;
        break;
    default:
        op = PointOperation::Interpolate;
        break;
    }
    report(ApplyPoints(m_model, selection(), op, argument));
}

QString CurveGridTools::copySelection() const {
    return CopyPoints(m_model, selection());
}

void CurveGridTools::paste(const QString& text) {
    report(PastePoints(m_model, selection(), text));
}

void CurveGridTools::compareWithFile(const QString& path) {
    if (path.endsWith(QLatin1String(kDumpFileSuffix), Qt::CaseInsensitive)) {
        const DumpFileContent dump = ReadDumpFile(path);
        if (!dump.ok()) {
            report(dump.error);
            return;
        }
        QStringList texts;
        for (int i = 0; i < kPointCount; ++i)
            texts << m_model.format().format(DecodeVolts(dump.image[size_t(kFirstAddress + i)]));
        m_reference = texts;
    } else {
        const CurveFileContent file = ReadCurveFile(path, m_model.format());
        if (!file.ok()) {
            report(file.error);
            return;
        }
        m_reference = file.texts;
    }
    mark();
}

void CurveGridTools::compareWithRead() {
    if (!m_lastRead) {
        emit message(text("MsgTune_NothingRead"));
        return;
    }
    m_reference = m_lastRead;
    mark();
}

void CurveGridTools::compareOff() {
    m_reference.reset();
    mark();
}

std::optional<double> CurveGridTools::parse(const QString& text) const {
    return m_model.format().parse(text);
}

QString CurveGridTools::fileFilter() const {
    return text("MsgCurveFileFilter") + QStringLiteral(" (*") + QLatin1String(kCurveFileSuffix) +
           QStringLiteral(");;EEPROM (*") + QLatin1String(kDumpFileSuffix) + QLatin1Char(')');
}

void CurveGridTools::mark() {
    QList<int> marked;
    if (m_reference) {
        for (const PointDifference& d :
             ComparePoints(m_model.texts(), *m_reference, m_model.format()))
            marked << d.point;
    }
    if (marked == m_marked && !m_reference)
        return;
    // Colours and hints are no edits: the grid must not commit them.
    const QSignalBlocker quiet(m_table);
    const QString tip = text("MsgTune_CompareTip");
    for (int i = 0; i < kPointCount; ++i) {
        QTableWidgetItem* item = m_table->item(i, 1);
        if (!item)
            continue;
        if (marked.contains(i)) {
            item->setBackground(kDifferentColour);
            item->setToolTip(FillMessageText(tip, {m_model.text(i), m_reference->value(i)}));
        } else {
            item->setData(Qt::BackgroundRole, QVariant());
            item->setToolTip(QString());
        }
    }
    m_table->viewport()->update();
    m_marked = marked;
}

void CurveGridTools::openFile(const QString& path) {
    const CurveFileContent file = ReadCurveFile(path, m_model.format());
    if (!file.ok()) {
        report(file.error);
        return;
    }
    m_model.load(file.texts);
    for (const Message& notice : file.notices)
        report(notice);
}

void CurveGridTools::keepInHistory(const QString& what, const QStringList& texts) {
    keep(historyKind(), what, QLatin1String(kCurveFileSuffix), texts);
}
