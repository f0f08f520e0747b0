#include "record_map_panel.h"

#include "decimal_format.h"
#include "recording.h"
#include "surface_shades.h"
#include "surface_view.h"
#include "table_message.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTableWidget>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

using telemetry::Channel;

namespace {

// A growing live recording is mapped again at most this often, and never more than a tenth of
// the time on mapping (a recording of a million samples takes tens of milliseconds).
constexpr int kRebuildDelayMs = 400;
constexpr int kRebuildTimeShare = 10;

// The channels a cell can show the mean of, in the order of the choice box after the dwell, with
// the keys of their names.
struct ValueChannel {
    Channel channel;
    const char* key;
};
constexpr std::array<ValueChannel, 9> kValueChannels = {{
    {Channel::TVT, "Msg_RecordMap_TVT"},
    {Channel::RT, "Msg_RecordMap_RT"},
    {Channel::RTT, "Msg_RecordMap_RTT"},
    {Channel::U_analog, "Msg_RecordMap_U_analog"},
    {Channel::PVK, "Msg_RecordMap_PVK"},
    {Channel::T, "Msg_RecordMap_T"},
    {Channel::DP, "Msg_RecordMap_DP"},
    {Channel::II, "Msg_RecordMap_II"},
    {Channel::RashTopl, "Msg_RecordMap_RashTopl"},
}};

// The texts of the panel until a language file gives its own.
const std::array<std::pair<const char*, const char*>, 9> kRussian = {{
    {"Msg_RecordMap_NoCondition", "Все отсчёты"},
    {"Msg_RecordMap_BadCondition", "Условие: «%1» не является числом"},
    {"Msg_RecordMap_Dwell", "Время в ячейке"},
    {"Msg_RecordMap_Mean", "Среднее: %1"},
    {"Msg_RecordMap_HintDwell", "Запись: %1 с, %2 % времени, отсчётов: %3"},
    {"Msg_RecordMap_HintMean", "%1: среднее %2, мин. %3, макс. %4"},
    {"Msg_RecordMap_Summary", "Отсчётов: %1 из %2, %3 с"},
    {"Msg_RecordMap_NoRecording", "Нет записи: начните запись или откройте файл на странице "
                                  "графиков"},
    {"Msg_RecordMap_Never", "Двигатель в этой ячейке не работал"},
}};

const char* channelKey(Channel channel) {
    for (const ValueChannel& v : kValueChannels)
        if (v.channel == channel)
            return v.key;
    return "";
}

QString number(double value) {
    return DecimalFormat().format(RoundHalfEven(value, 2));
}

} // namespace

// Paints the map's colours over the view's cells, half transparent so the values stay readable;
// mouse events pass through to the grid.
class RecordMapPanel::ShadeLayer : public QWidget {
public:
    ShadeLayer(QTableWidget* grid) : QWidget(grid->viewport()), m_grid(grid) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setObjectName(QStringLiteral("RecordMapShades"));
    }
    void setShades(const std::optional<CellShades>& shades) {
        m_shades = shades;
        setVisible(shades.has_value());
        resize(parentWidget()->size());
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!m_shades)
            return;
        QPainter painter(this);
        for (int row = 1; row <= kTableRows; ++row) {
            for (int column = 1; column <= kTableColumns; ++column) {
                const double shade =
                    (*m_shades)[std::size_t((row - 1) * kTableColumns + column - 1)];
                if (!std::isfinite(shade))
                    continue;
                const SceneColour c = surface_scene::ShadeColour(shade);
                painter.fillRect(
                    m_grid->visualRect(m_grid->model()->index(row, column)),
                    QColor::fromRgbF(float(c.red), float(c.green), float(c.blue), 0.45f));
            }
        }
    }

private:
    QTableWidget* m_grid;
    std::optional<CellShades> m_shades;
};

RecordMapPanel::RecordMapPanel(QTableWidget* grid, SurfaceView* surface, QWidget* parent)
    : QGroupBox(parent), m_grid(grid), m_surface(surface), m_layer(new ShadeLayer(grid)),
      m_soon(new QTimer(this)) {
    setObjectName(QStringLiteral("sgb_Record_Data"));
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(4);
    cb_Record_Data = new QCheckBox(QStringLiteral("Данные записи"), this);
    cb_Record_Data->setObjectName(QStringLiteral("cb_Record_Data"));
    cbx_Record_Value = new QComboBox(this);
    cbx_Record_Value->setObjectName(QStringLiteral("cbx_Record_Value"));
    Lbl_Record_Data = new QLabel(this);
    Lbl_Record_Data->setObjectName(QStringLiteral("Lbl_Record_Data"));
    Lbl_Record_Data->setWordWrap(true);
    // Only the samples where one channel is above or below a value, when one is chosen.
    cbx_Record_Condition = new QComboBox(this);
    cbx_Record_Condition->setObjectName(QStringLiteral("cbx_Record_Condition"));
    cbx_Record_Comparison = new QComboBox(this);
    cbx_Record_Comparison->setObjectName(QStringLiteral("cbx_Record_Comparison"));
    cbx_Record_Comparison->addItems({QStringLiteral(">"), QStringLiteral("<")});
    Ed_Record_Condition = new QLineEdit(this);
    Ed_Record_Condition->setObjectName(QStringLiteral("Ed_Record_Condition"));
    Ed_Record_Condition->setMaximumWidth(60);
    for (QComboBox* box : {cbx_Record_Value, cbx_Record_Condition}) {
        // Long channel names are cut rather than widening the page's column.
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(6);
    }
    auto* condition = new QHBoxLayout;
    condition->addWidget(cbx_Record_Condition, 1);
    condition->addWidget(cbx_Record_Comparison);
    condition->addWidget(Ed_Record_Condition);
    layout->addWidget(cb_Record_Data);
    layout->addWidget(cbx_Record_Value);
    layout->addLayout(condition);
    layout->addWidget(Lbl_Record_Data);
    fillValueChoices();
    for (QWidget* w : std::initializer_list<QWidget*>{cbx_Record_Value, cbx_Record_Condition,
                                                      cbx_Record_Comparison, Ed_Record_Condition})
        w->setEnabled(false);
    m_layer->hide();

    m_soon->setSingleShot(true);
    m_soon->setInterval(kRebuildDelayMs);
    connect(m_soon, &QTimer::timeout, this, &RecordMapPanel::rebuild);
    connect(cb_Record_Data, &QCheckBox::toggled, this, [this](bool on) {
        for (QWidget* w :
             std::initializer_list<QWidget*>{cbx_Record_Value, cbx_Record_Condition,
                                             cbx_Record_Comparison, Ed_Record_Condition})
            w->setEnabled(on);
        rebuild();
    });
    connect(cbx_Record_Value, &QComboBox::currentIndexChanged, this, &RecordMapPanel::rebuild);
    connect(cbx_Record_Condition, &QComboBox::currentIndexChanged, this, &RecordMapPanel::rebuild);
    connect(cbx_Record_Comparison, &QComboBox::currentIndexChanged, this, &RecordMapPanel::rebuild);
    connect(Ed_Record_Condition, &QLineEdit::editingFinished, this, &RecordMapPanel::rebuild);
    m_grid->viewport()->installEventFilter(this);
}

// The grid and the surface may go first (page teardown); the event filter goes with this panel.
RecordMapPanel::~RecordMapPanel() = default;

void RecordMapPanel::setArchive(telemetry::RecordingArchive* archive) {
    m_archive = archive;
    connect(archive, &telemetry::RecordingArchive::currentChanged, this,
            &RecordMapPanel::followRecording);
    followRecording(archive->current());
}

void RecordMapPanel::followRecording(telemetry::Recording* recording) {
    for (const QMetaObject::Connection& c : std::as_const(m_recordingConnections))
        disconnect(c);
    m_recordingConnections.clear();
    m_recording = recording;
    if (recording) {
        m_recordingConnections = {
            connect(recording, &telemetry::Recording::samplesAppended, this,
                    &RecordMapPanel::rebuildSoon),
            connect(recording, &telemetry::Recording::samplesReset, this,
                    &RecordMapPanel::rebuildSoon),
            connect(recording, &telemetry::Recording::bottomWindowChanged, this,
                    &RecordMapPanel::rebuildSoon),
        };
    }
    rebuild();
}

void RecordMapPanel::setTexts(const InterfaceTexts& texts) {
    m_texts = texts;
    fillValueChoices();
    present();
}

void RecordMapPanel::setBasis(CorrectionBasis basis) {
    if (basis == m_basis)
        return;
    m_basis = basis;
    rebuild();
}

QString RecordMapPanel::text(const char* key) const {
    const QString own = m_texts.text(QString::fromLatin1(key));
    if (!own.isEmpty())
        return own;
    for (const auto& [name, russian] : kRussian)
        if (qstrcmp(name, key) == 0)
            return QString::fromUtf8(russian);
    for (const ValueChannel& v : kValueChannels)
        if (qstrcmp(v.key, key) == 0)
            return QString::fromUtf8(telemetry::InfoOf(v.channel).caption).trimmed();
    return QString();
}

void RecordMapPanel::fillValueChoices() {
    const QSignalBlocker quiet(cbx_Record_Value);
    const QSignalBlocker quietToo(cbx_Record_Condition);
    const int chosen = std::max(0, cbx_Record_Value->currentIndex());
    const int condition = std::max(0, cbx_Record_Condition->currentIndex());
    cbx_Record_Value->clear();
    cbx_Record_Condition->clear();
    cbx_Record_Value->addItem(text("Msg_RecordMap_Dwell"));
    cbx_Record_Condition->addItem(text("Msg_RecordMap_NoCondition"));
    for (const auto& [channel, key] : kValueChannels)
        cbx_Record_Condition->addItem(text(key), int(channel));
    cbx_Record_Condition->setCurrentIndex(condition);
    for (const auto& [channel, key] : kValueChannels)
        cbx_Record_Value->addItem(FillMessageText(text("Msg_RecordMap_Mean"), {text(key)}),
                                  int(channel));
    cbx_Record_Value->setCurrentIndex(chosen);
}

bool RecordMapPanel::showsDwell() const {
    return cbx_Record_Value->currentIndex() <= 0;
}

void RecordMapPanel::rebuildSoon() {
    if (!m_soon->isActive())
        m_soon->start();
}

void RecordMapPanel::rebuild() {
    m_soon->stop();
    m_map.reset();
    m_conditionError = false;
    if (cb_Record_Data->isChecked() && m_recording) {
        telemetry::CellMapOptions options;
        options.basis = m_basis;
        if (!showsDwell())
            options.channel = Channel(cbx_Record_Value->currentData().toInt());
        const telemetry::BottomWindow& window = m_recording->bottomWindow();
        if (!window.automatic) {
            options.filter.firstIndex = window.minimum;
            options.filter.lastIndex = window.maximum;
        }
        if (cbx_Record_Condition->currentIndex() > 0) {
            const std::optional<double> value = DecimalFormat().parse(Ed_Record_Condition->text());
            // A condition that cannot be read shows nothing rather than a map without it.
            m_conditionError = !value;
            using Comparison = telemetry::ChannelCondition::Comparison;
            options.filter.condition = telemetry::ChannelCondition{
                Channel(cbx_Record_Condition->currentData().toInt()),
                cbx_Record_Comparison->currentIndex() == 0 ? Comparison::Above : Comparison::Below,
                value.value_or(0)};
        }
        if (!m_conditionError) {
            QElapsedTimer clock;
            clock.start();
            m_map = telemetry::MapRecording(m_recording->grid(), options);
            m_soon->setInterval(
                std::max<int>(kRebuildDelayMs, int(clock.elapsed()) * kRebuildTimeShare));
        }
    }
    present();
}

void RecordMapPanel::present() {
    if (!m_grid || !m_surface)
        return;
    if (!m_map) {
        m_layer->setShades(std::nullopt);
        if (m_surface->scene().cellShades())
            m_surface->setCellShades(std::nullopt);
        QString why;
        if (m_conditionError)
            why =
                FillMessageText(text("Msg_RecordMap_BadCondition"), {Ed_Record_Condition->text()});
        else if (cb_Record_Data->isChecked() && !m_recording)
            why = text("Msg_RecordMap_NoRecording");
        Lbl_Record_Data->setText(why);
        return;
    }
    std::array<double, kSurfaceCellCount> values;
    const bool dwell = showsDwell();
    const double largest = m_map->largestPercent();
    for (int row = 1; row <= kTableRows; ++row) {
        for (int column = 1; column <= kTableColumns; ++column) {
            const telemetry::CellDwell& cell = m_map->at(column, row);
            double& v = values[std::size_t((row - 1) * kTableColumns + column - 1)];
            if (!cell.visited())
                v = std::numeric_limits<double>::quiet_NaN();
            else
                v = dwell ? cell.percent / largest : cell.mean;
        }
    }
    // The time in a cell is shaded from none (0) to the longest; a mean over its range.
    CellShades shades;
    if (dwell)
        shades = values;
    else
        shades = surface_scene::ShadesOf(values);
    m_layer->setShades(shades);
    m_surface->setCellShades(shades);
    Lbl_Record_Data->setText(
        FillMessageText(text("Msg_RecordMap_Summary"),
                        {QString::number(m_map->samples()),
                         QString::number(m_recording->sampleCount()), number(m_map->seconds())}));
}

QString RecordMapPanel::cellHint(int column, int row) const {
    if (!m_map || column < 1 || column > kTableColumns || row < 1 || row > kTableRows)
        return QString();
    const telemetry::CellDwell& cell = m_map->at(column, row);
    if (!cell.visited())
        return text("Msg_RecordMap_Never");
    QString hint = FillMessageText(
        text("Msg_RecordMap_HintDwell"),
        {number(cell.seconds), number(cell.percent), QString::number(cell.samples)});
    if (!showsDwell()) {
        hint += QLatin1Char('\n') +
                FillMessageText(text("Msg_RecordMap_HintMean"),
                                {text(channelKey(m_map->channel())), number(cell.mean),
                                 number(cell.minimum), number(cell.maximum)});
    }
    return hint;
}

bool RecordMapPanel::eventFilter(QObject* watched, QEvent* event) {
    if (m_grid && watched == m_grid->viewport()) {
        if (event->type() == QEvent::Resize)
            m_layer->resize(m_grid->viewport()->size());
        if (event->type() == QEvent::ToolTip && m_map) {
            auto* help = static_cast<QHelpEvent*>(event);
            const QModelIndex index = m_grid->indexAt(help->pos());
            QString hint = cellHint(index.column(), index.row());
            if (!hint.isEmpty()) {
                // A compare mark's own hint stays below the figures.
                if (const QTableWidgetItem* item = m_grid->item(index.row(), index.column());
                    item && !item->toolTip().isEmpty())
                    hint += QLatin1Char('\n') + item->toolTip();
                QToolTip::showText(help->globalPos(), hint, m_grid->viewport());
                return true;
            }
        }
    }
    return QGroupBox::eventFilter(watched, event);
}
