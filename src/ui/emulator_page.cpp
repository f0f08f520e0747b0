#include "emulator_page.h"

#include "curve_grid_tools.h"

#include "curve_features.h"
#include "curve_file.h"
#include "hold_repeat.h"
#include "interface_lock.h"
#include "module_port.h"
#include "status_panels.h"
#include "transaction_engine.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include <cmath>

using namespace curve;

namespace {

const QColor kYellow(255, 215, 0);
const QColor kCurveRed(220, 0, 0);
constexpr double kHitPixels = 7;
constexpr double kVoltsFrom = -0.05;
constexpr double kVoltsTo = 5.1;

QToolButton* toolButton(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(caption);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return b;
}

QGroupBox* group(const char* name, const QString& title, QWidget* parent) {
    auto* g = new QGroupBox(title, parent);
    g->setObjectName(QLatin1String(name));
    return g;
}

// Enter in the cell editor commits the value and walks on to the next row.
class ValueDelegate : public QStyledItemDelegate {
public:
    ValueDelegate(std::function<void()> enter, QObject* parent)
        : QStyledItemDelegate(parent), m_enter(std::move(enter)) {}

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                auto* editor = qobject_cast<QWidget*>(object);
                emit commitData(editor);
                emit closeEditor(editor, QAbstractItemDelegate::NoHint);
                m_enter();
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    std::function<void()> m_enter;
};

} // namespace

EmulatorPage::EmulatorPage(CurveFeatures& features, QWidget* parent)
    : QWidget(parent), m_features(features) {
    setObjectName(QStringLiteral("Panel_Emu"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);
    layout->addWidget(buildGridPanel());
    auto* right = new QVBoxLayout;
    right->setSpacing(2);
    right->addWidget(buildChartPanel(), 1);
    right->addWidget(buildControls());
    layout->addLayout(right, 1);
    bind();
    // The file dialogs; tests replace them.
    askOpenFileName = [this] {
        return QFileDialog::getOpenFileName(this, QString(), QString(), fileFilter());
    };
    askConfirmation = [this](const QString& question) {
        return QMessageBox::question(this, windowTitle(), question) == QMessageBox::Yes;
    };
    askSaveFileName = [this] {
        return QFileDialog::getSaveFileName(this, QString(), QString(), fileFilter());
    };
    showLabels();
    for (int i = 0; i < kPointCount; ++i)
        showText(i);
    showSeries();
}

QWidget* EmulatorPage::buildGridPanel() {
    sPanel_Table2D_Emu = new QWidget(this);
    sPanel_Table2D_Emu->setObjectName(QStringLiteral("sPanel_Table2D_Emu"));
    sPanel_Table2D_Emu->setMinimumWidth(262);
    sPanel_Table2D_Emu->setMaximumWidth(300);
    auto* v = new QVBoxLayout(sPanel_Table2D_Emu);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);

    // The column headers: inactive buttons above the grid.
    auto* headers = new QHBoxLayout;
    headers->setSpacing(0);
    auto header = [&](const char* name, const QString& caption) {
        auto* l = new QLabel(caption, sPanel_Table2D_Emu);
        l->setObjectName(QLatin1String(name));
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignCenter);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Raised);
        l->setMinimumHeight(34);
        headers->addWidget(l, 1);
        return l;
    };
    sbtn_sgrid_Emu_Cap_Left =
        header("sbtn_sgrid_Emu_Cap_Left", QStringLiteral("Относит. кол-во топлива"));
    sbtn_sgrid_Emu_Cap_Right =
        header("sbtn_sgrid_Emu_Cap_Right", QStringLiteral("U MAF датчика или расход воздуха"));
    v->addLayout(headers);

    sgrid_Emu = new QTableWidget(kPointCount, 2, sPanel_Table2D_Emu);
    sgrid_Emu->setObjectName(QStringLiteral("sgrid_Emu"));
    sgrid_Emu->horizontalHeader()->hide();
    sgrid_Emu->verticalHeader()->hide();
    sgrid_Emu->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    sgrid_Emu->verticalHeader()->setDefaultSectionSize(20);
    sgrid_Emu->setSelectionMode(QAbstractItemView::SingleSelection);
    sgrid_Emu->setEditTriggers(QAbstractItemView::DoubleClicked |
                               QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
    sgrid_Emu->setItemDelegateForColumn(1, new ValueDelegate([this] { moveToNextRow(); }, this));
    for (int i = 0; i < kPointCount; ++i) {
        auto* label = new QTableWidgetItem;
        label->setFlags(Qt::ItemIsEnabled);
        label->setBackground(QColor(212, 208, 200));
        sgrid_Emu->setItem(i, 0, label);
        auto* value = new QTableWidgetItem;
        value->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        sgrid_Emu->setItem(i, 1, value);
    }
    sgrid_Emu->installEventFilter(this);
    v->addWidget(sgrid_Emu, 1);

    // The step buttons live in the grid and move to the row pressed last.
    atb_SGrid_Down = new QToolButton(sgrid_Emu->viewport());
    atb_SGrid_Down->setObjectName(QStringLiteral("atb_SGrid_Down"));
    atb_SGrid_Down->setArrowType(Qt::DownArrow);
    atb_SGrid_Up = new QToolButton(sgrid_Emu->viewport());
    atb_SGrid_Up->setObjectName(QStringLiteral("atb_SGrid_Up"));
    atb_SGrid_Up->setArrowType(Qt::UpArrow);
    for (QToolButton* b : {atb_SGrid_Down, atb_SGrid_Up}) {
        b->hide();
        b->installEventFilter(this);
    }
    Timer_Hide_Panels.setObjectName(QStringLiteral("Timer_Hide_Panels"));
    Timer_Hide_Panels.setSingleShot(true);
    Timer_Hide_Panels.setInterval(HideStepButtonsMs);

    auto* data = group("sgb_Emu_Data", QStringLiteral("Данные"), sPanel_Table2D_Emu);
    auto* dataLayout = new QGridLayout(data);
    dataLayout->setContentsMargins(4, 4, 4, 4);
    dataLayout->setSpacing(2);
    atb_Emu_In_2 = toolButton("atb_Emu_In_2", QStringLiteral("Получить из модуля"), data);
    atb_Emu_Out_2 = toolButton("atb_Emu_Out_2", QStringLiteral("Записать в модуль"), data);
    atb_Emu_Open_2 = toolButton("atb_Emu_Open_2", QStringLiteral("Открыть из файла"), data);
    atb_Emu_Save_2 = toolButton("atb_Emu_Save_2", QStringLiteral("Сохранить в файл"), data);
    dataLayout->addWidget(atb_Emu_In_2, 0, 0);
    dataLayout->addWidget(atb_Emu_Out_2, 1, 0);
    dataLayout->addWidget(atb_Emu_Open_2, 2, 0);
    dataLayout->addWidget(atb_Emu_Save_2, 3, 0);
    v->addWidget(data);

    auto* filter =
        group("sgb_Lambda_Filter", QStringLiteral("Фильтр чтения таблиц"), sPanel_Table2D_Emu);
    auto* filterLayout = new QHBoxLayout(filter);
    filterLayout->setContentsMargins(4, 4, 4, 4);
    atb_Lambda_Filter_On = toolButton("atb_Lambda_Filter_On", QStringLiteral("Вкл"), filter);
    atb_Lambda_Filter_Off = toolButton("atb_Lambda_Filter_Off", QStringLiteral("Выкл"), filter);
    auto* filterGroup = new QButtonGroup(filter);
    for (QToolButton* b : {atb_Lambda_Filter_On, atb_Lambda_Filter_Off}) {
        b->setCheckable(true);
        filterGroup->addButton(b);
        filterLayout->addWidget(b);
    }
    atb_Lambda_Filter_Off->setChecked(true);
    srb_Filter_2D = new QRadioButton(filter);
    srb_Filter_2D->setObjectName(QStringLiteral("srb_Filter_2D"));
    srb_Filter_2D->setChecked(true);
    srb_Filter_2D->setEnabled(false);
    srb_Filter_2D->setFocusPolicy(Qt::NoFocus);
    srb_Filter_2D->setAttribute(Qt::WA_TransparentForMouseEvents); // an indicator only
    filterLayout->addWidget(srb_Filter_2D);
    v->addWidget(filter);
    return sPanel_Table2D_Emu;
}

QWidget* EmulatorPage::buildChartPanel() {
    auto* panel = new QWidget(this);
    auto* v = new QVBoxLayout(panel);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    Lbl_Chart_Bis_Caption = new QLabel(
        QStringLiteral("Перемещение точки вверх - обеднение топливной смеси, Перемещение точки "
                       "вниз - обогащение топливной смеси"),
        panel);
    Lbl_Chart_Bis_Caption->setObjectName(QStringLiteral("Lbl_Chart_Bis_Caption"));
    Lbl_Chart_Bis_Caption->setWordWrap(true);
    Lbl_Chart_Bis_Caption->setAlignment(Qt::AlignCenter);
    v->addWidget(Lbl_Chart_Bis_Caption);
    Lbl_Chart_Bis_File = new QLabel(panel);
    Lbl_Chart_Bis_File->setObjectName(QStringLiteral("Lbl_Chart_Bis_File"));
    Lbl_Chart_Bis_File->setAlignment(Qt::AlignCenter);
    Lbl_Chart_Bis_File->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Lbl_Chart_Bis_File->hide();
    v->addWidget(Lbl_Chart_Bis_File);

    Chart_Bis = new QCustomPlot(panel);
    // Axis numbers with the separator of the grid's values.
    Chart_Bis->setLocale(DecimalFormat().locale());
    Chart_Bis->setObjectName(QStringLiteral("Chart_Bis"));
    Chart_Bis->setMinimumSize(300, 200);
    Chart_Bis->setMouseTracking(true);
    Chart_Bis->xAxis->setRange(-0.5, 63.5);
    Chart_Bis->yAxis->setRange(kVoltsFrom, kVoltsTo);
    // A rectangle dragged over the plot zooms the voltage axis only; a right drag pans it and a
    // double click shows the whole range again.
    Chart_Bis->setSelectionRectMode(QCP::srmZoom);
    Chart_Bis->axisRect()->setRangeZoomAxes(nullptr, Chart_Bis->yAxis);
    Chart_Bis->axisRect()->setRangeDragAxes(nullptr, Chart_Bis->yAxis);
    Chart_Bis->xAxis->setLabel(
        QStringLiteral("Относительное количество топлива или расход воздуха"));
    Chart_Bis->yAxis->setLabel(QStringLiteral("Напряжение, В или расход воздуха"));
    QSharedPointer<QCPAxisTickerFixed> volts(new QCPAxisTickerFixed);
    volts->setTickStep(0.5);
    Chart_Bis->yAxis->setTicker(volts);
    m_curveGraph = Chart_Bis->addGraph();
    m_curveGraph->setPen(QPen(kCurveRed, 3));
    m_curveGraph->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssSquare, QPen(kCurveRed), QBrush(Qt::white), 6));
    // The values last read from the module: a thin dashed reference under the curve, labelled
    // at its end. Nothing is edited on it.
    m_readGraph = Chart_Bis->addGraph();
    m_readGraph->setLayer(QStringLiteral("grid"));
    m_readGraph->setPen(QPen(QColor(110, 110, 110), 1, Qt::DashLine));
    m_readLabel = new QCPItemText(Chart_Bis);
    m_readLabel->setObjectName(QStringLiteral("Lbl_Chart_Bis_Read"));
    m_readLabel->setColor(QColor(110, 110, 110));
    m_readLabel->setVisible(false);
    for (int i = 1; i <= MarkerCount; ++i) {
        auto* marker = new QCPItemTracer(Chart_Bis);
        marker->setObjectName(QStringLiteral("Shape_Yellow%1").arg(i));
        marker->setStyle(QCPItemTracer::tsSquare);
        marker->setSize(9);
        marker->setPen(QPen(QColor(160, 130, 0)));
        marker->setBrush(kYellow);
        marker->setLayer(QStringLiteral("overlay"));
        marker->setVisible(false);
        m_markers.append(marker);
        m_markerHints.append(QString());
    }
    v->addWidget(Chart_Bis, 1);

    StatusBar_2D = new StatusPanels(QStringLiteral("StatusBar_2D"), {200, 200, 150}, panel);
    v->addWidget(StatusBar_2D);
    return panel;
}

QWidget* EmulatorPage::buildControls() {
    auto* panel = new QWidget(this);
    auto* h = new QHBoxLayout(panel);
    h->setContentsMargins(0, 0, 0, 0);

    auto* smoothing =
        group("sgb_Interpolation_Lambda", QStringLiteral("Сглаживание точек Лямбда"), panel);
    auto* smoothingLayout = new QVBoxLayout(smoothing);
    smoothingLayout->setContentsMargins(4, 4, 4, 4);
    auto* hintLabel =
        new QLabel(QStringLiteral("Выберите точку щелчком правой клавиши мыши"), smoothing);
    hintLabel->setObjectName(QStringLiteral("Lbl_Interpolation_Hint"));
    hintLabel->setWordWrap(true);
    smoothingLayout->addWidget(hintLabel);
    // The two accept buttons share one place; the one in front is the one that can be used.
    m_acceptPlace = new QWidget(smoothing);
    auto* place = new QGridLayout(m_acceptPlace);
    place->setContentsMargins(0, 0, 0, 0);
    atb_Accept_Interpolation_MAF =
        toolButton("atb_Accept_Interpolation_MAF", QStringLiteral("Принять (MAF)"), m_acceptPlace);
    atb_Accept_Interpolation_MAP =
        toolButton("atb_Accept_Interpolation_MAP", QStringLiteral("Принять (MAP)"), m_acceptPlace);
    for (QToolButton* b : {atb_Accept_Interpolation_MAF, atb_Accept_Interpolation_MAP}) {
        place->addWidget(b, 0, 0);
        b->setEnabled(false);
        b->hide();
    }
    m_acceptPlace->setMinimumHeight(atb_Accept_Interpolation_MAF->sizeHint().height());
    smoothingLayout->addWidget(m_acceptPlace);
    h->addWidget(smoothing, 3);

    auto* dynamic = group("sgb_YellowPoints", QStringLiteral("Динамический вывод"), panel);
    auto* dynamicLayout = new QGridLayout(dynamic);
    dynamicLayout->setContentsMargins(4, 4, 4, 4);
    dynamicLayout->setSpacing(2);
    Btn_YellowPoints = toolButton("Btn_YellowPoints", QStringLiteral("Пуск"), dynamic);
    Btn_YellowPoints_Stop = toolButton("Btn_YellowPoints_Stop", QStringLiteral("Стоп"), dynamic);
    atb_Num_Yellow_Points_Down = new QToolButton(dynamic);
    atb_Num_Yellow_Points_Down->setObjectName(QStringLiteral("atb_Num_Yellow_Points_Down"));
    atb_Num_Yellow_Points_Down->setArrowType(Qt::LeftArrow);
    atb_Num_Yellow_Points_Up = new QToolButton(dynamic);
    atb_Num_Yellow_Points_Up->setObjectName(QStringLiteral("atb_Num_Yellow_Points_Up"));
    atb_Num_Yellow_Points_Up->setArrowType(Qt::RightArrow);
    Ed_Num_Yellow_Points = new QLineEdit(dynamic);
    Ed_Num_Yellow_Points->setObjectName(QStringLiteral("Ed_Num_Yellow_Points"));
    Ed_Num_Yellow_Points->setAlignment(Qt::AlignCenter);
    Ed_Num_Yellow_Points->setMaxLength(3);
    Ed_Num_Yellow_Points->setFixedWidth(44);
    auto* countLabel = new QLabel(QStringLiteral("Точек"), dynamic);
    countLabel->setObjectName(QStringLiteral("Lbl_Num_Yellow_Points"));
    auto* run = new QHBoxLayout;
    run->addWidget(Btn_YellowPoints, 1);
    run->addWidget(Btn_YellowPoints_Stop, 1);
    dynamicLayout->addLayout(run, 0, 0, 1, 4);
    dynamicLayout->addWidget(countLabel, 1, 0);
    dynamicLayout->setColumnStretch(0, 1);
    dynamicLayout->addWidget(atb_Num_Yellow_Points_Down, 1, 1);
    dynamicLayout->addWidget(Ed_Num_Yellow_Points, 1, 2);
    dynamicLayout->addWidget(atb_Num_Yellow_Points_Up, 1, 3);
    h->addWidget(dynamic, 2);
    return panel;
}

void EmulatorPage::bind() {
    CurveModel& model = m_features.model();
    CurveTransfer& transfer = m_features.transfer();
    OverlayPoll& overlay = m_features.overlay();

    connect(&model, &CurveModel::textChanged, this, &EmulatorPage::showText);
    m_tools = new CurveGridTools(sgrid_Emu, model, this);
    connect(m_tools, &CurveGridTools::message, this, &EmulatorPage::message);
    // A held step button and a whole transfer are one undo step each.
    for (QToolButton* b : {atb_SGrid_Down, atb_SGrid_Up}) {
        connect(b, &QToolButton::pressed, m_tools, &CurveGridTools::hold);
        connect(b, &QToolButton::released, m_tools, &CurveGridTools::release);
    }
    connect(&transfer, &CurveTransfer::lockRequested, m_tools, &CurveGridTools::hold);
    connect(&transfer, &CurveTransfer::unlockRequested, m_tools, &CurveGridTools::release);
    connect(&transfer, &CurveTransfer::readFinished, m_tools, [this](bool complete) {
        if (complete) {
            showRead();
            m_tools->rememberRead();
            m_tools->keepInHistory(QStringLiteral("read"), m_features.model().texts());
        }
    });
    // A write is kept as it was when it started: what it sent.
    connect(&transfer, &CurveTransfer::writeFinished, m_tools, [this, &transfer] {
        m_tools->keepInHistory(QStringLiteral("write"), transfer.writtenTexts());
    });
    connect(&model, &CurveModel::seriesChanged, this, &EmulatorPage::showSeries);
    connect(&model, &CurveModel::labelsChanged, this, &EmulatorPage::showLabels);
    connect(sgrid_Emu, &QTableWidget::itemChanged, this, &EmulatorPage::commitRow);
    connect(sgrid_Emu, &QTableWidget::cellPressed, this,
            [this](int row, int) { placeStepButtons(row); });
    connect(&Timer_Hide_Panels, &QTimer::timeout, this, [this] {
        atb_SGrid_Down->hide();
        atb_SGrid_Up->hide();
    });
    new HoldRepeat(
        atb_SGrid_Down, StepRepeatMs, [this] { return stepRow(-1); },
        [this] { writeSteppedRow(); });
    new HoldRepeat(
        atb_SGrid_Up, StepRepeatMs, [this] { return stepRow(1); }, [this] { writeSteppedRow(); });

    connect(atb_Emu_In_2, &QToolButton::clicked, this, &EmulatorPage::atb_Emu_In_2Click);
    connect(atb_Emu_Out_2, &QToolButton::clicked, this, &EmulatorPage::atb_Emu_Out_2Click);
    connect(atb_Emu_Save_2, &QToolButton::clicked, this, &EmulatorPage::atb_Emu_Save_2Click);
    connect(atb_Emu_Open_2, &QToolButton::clicked, this, &EmulatorPage::atb_Emu_Open_2Click);
    connect(atb_Lambda_Filter_On, &QToolButton::clicked, this,
            &EmulatorPage::atb_Lambda_Filter_OnClick);
    connect(atb_Lambda_Filter_Off, &QToolButton::clicked, this,
            &EmulatorPage::atb_Lambda_Filter_OffClick);
    connect(atb_Accept_Interpolation_MAF, &QToolButton::clicked, this,
            &EmulatorPage::atb_Accept_Interpolation_MAFClick);
    connect(atb_Accept_Interpolation_MAP, &QToolButton::clicked, this,
            &EmulatorPage::atb_Accept_Interpolation_MAPClick);
    connect(Btn_YellowPoints, &QToolButton::clicked, this, &EmulatorPage::Btn_YellowPointsClick);
    connect(Btn_YellowPoints_Stop, &QToolButton::clicked, this,
            &EmulatorPage::Btn_YellowPoints_StopClick);
    new HoldRepeat(atb_Num_Yellow_Points_Down, StepRepeatMs,
                   [this] { return stepMarkerCount(-1); });
    new HoldRepeat(atb_Num_Yellow_Points_Up, StepRepeatMs, [this] { return stepMarkerCount(1); });
    connect(Ed_Num_Yellow_Points, &QLineEdit::editingFinished, this,
            [this] { setMarkerCountText(Ed_Num_Yellow_Points->text()); });
    setMarkerCountText(QString::number(overlay.markerCount()));

    connect(&transfer, &CurveTransfer::lockRequested, this, &EmulatorPage::lockRequested);
    connect(&transfer, &CurveTransfer::unlockRequested, this, &EmulatorPage::unlockRequested);
    connect(&transfer, &CurveTransfer::lockRequested, this, [this] { setEditingLocked(true); });
    connect(&transfer, &CurveTransfer::unlockRequested, this, [this] { setEditingLocked(false); });
    connect(&transfer, &CurveTransfer::refused, this, &EmulatorPage::report);
    connect(&transfer, &CurveTransfer::readFinished, this, [this](bool complete, const Message& m) {
        if (!complete)
            report(m);
    });
    connect(&transfer, &CurveTransfer::filterChanged, this, [this](bool on) {
        atb_Lambda_Filter_On->setChecked(on);
        atb_Lambda_Filter_Off->setChecked(!on);
        srb_Filter_2D->setEnabled(on);
    });
    connect(&overlay, &OverlayPoll::lockRequested, this, &EmulatorPage::lockRequested);
    connect(&overlay, &OverlayPoll::unlockRequested, this, &EmulatorPage::unlockRequested);
    connect(&overlay, &OverlayPoll::started, this, [this] { hideMarkersFrom(1); });
    connect(&overlay, &OverlayPoll::pointPlaced, this, &EmulatorPage::placeMarker);

    connect(Chart_Bis, &QCustomPlot::mousePress, this, &EmulatorPage::chartPressed);
    connect(Chart_Bis, &QCustomPlot::mouseMove, this, &EmulatorPage::chartMoved);
    connect(Chart_Bis, &QCustomPlot::mouseRelease, this, &EmulatorPage::chartReleased);
    connect(Chart_Bis, &QCustomPlot::mouseDoubleClick, this, [this] {
        Chart_Bis->yAxis->setRange(kVoltsFrom, kVoltsTo);
        Chart_Bis->replot(QCustomPlot::rpQueuedReplot);
    });
}

void EmulatorPage::setEditingLocked(bool locked) {
    m_editingLocked = locked;
    m_tools->setEditingLocked(locked);
    // The grid carries the chart's drag and the step buttons with it.
    sgrid_Emu->setEnabled(!locked);
    for (QWidget* w : std::initializer_list<QWidget*>{atb_Emu_Save_2, atb_Emu_Open_2,
                                                      atb_SGrid_Down, atb_SGrid_Up})
        w->setEnabled(!locked);
    // An accept button is usable again once its proposal is drawn.
    atb_Accept_Interpolation_MAF->setEnabled(!locked && m_arcs);
    atb_Accept_Interpolation_MAP->setEnabled(!locked && m_line);
}

void EmulatorPage::addToLock(InterfaceLock& lock) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{atb_Emu_In_2, atb_Emu_Out_2, Btn_YellowPoints, sgrid_Emu})
        lock.add(w);
}

void EmulatorPage::applyInfo(const InfoSettings& info) {
    setMarkerCountText(info.yellowPointCount);
}

void EmulatorPage::storeInfo(InfoSettings& info) const {
    info.yellowPointCount = QString::number(m_features.overlay().markerCount());
}

void EmulatorPage::applyLanguage(const QList<LanguageFileEntry>& entries,
                                 const InterfaceTexts& texts) {
    m_texts = texts;
    m_texts.apply(entries); // the named messages of the page, whoever applied them before
    m_tools->setTexts(m_texts);
    // What the status bar shows was worded in the language before.
    for (int panel = 0; panel < 3; ++panel)
        StatusBar_2D->setPanelText(panel, QString());
    // The chart's axis titles follow the grid's column headers.
    Chart_Bis->yAxis->setLabel(sbtn_sgrid_Emu_Cap_Right->text());
    Chart_Bis->xAxis->setLabel(sbtn_sgrid_Emu_Cap_Left->text());
    m_readLabel->setText(messageText(MakeMessage(kMsgReadLine)));
    Chart_Bis->replot(QCustomPlot::rpQueuedReplot);
}

void EmulatorPage::showRead() {
    const QVector<double>& values = m_features.model().values();
    QVector<double> keys;
    for (int i = 0; i < values.size(); ++i)
        keys.append(i);
    m_readGraph->setData(keys, values, true);
    // Beside the line's end: below it near the top of the plot, above it elsewhere.
    const double end = values.value(kPointCount - 1);
    m_readLabel->setPositionAlignment(Qt::AlignRight |
                                      (end > 4.5 ? Qt::AlignTop : Qt::AlignBottom));
    m_readLabel->position->setCoords(kPointCount - 1, end);
    m_readLabel->setVisible(true);
    Chart_Bis->replot(QCustomPlot::rpQueuedReplot);
}

QString EmulatorPage::messageText(const Message& m) const {
    return m_texts.message(m);
}

QString EmulatorPage::fileFilter() const {
    QString name = m_texts.text(QStringLiteral("MsgCurveFileFilter"));
    if (name.isEmpty())
        name = QStringLiteral("Данные Эмулятора");
    return name + QStringLiteral(" (*") + QLatin1String(kCurveFileSuffix) + QLatin1Char(')');
}

void EmulatorPage::report(const Message& m) {
    emit message(messageText(m));
}

// --- grid ---

void EmulatorPage::showText(int point) {
    m_updating = true;
    sgrid_Emu->item(point, 1)->setText(m_features.model().text(point));
    m_updating = false;
}

void EmulatorPage::showLabels() {
    const CurveModel& model = m_features.model();
    m_updating = true;
    for (int i = 0; i < kPointCount; ++i)
        sgrid_Emu->item(i, 0)->setText(model.label(i));
    m_updating = false;
    // The bottom axis shows the positions: every 4 points (2 with the stretched range).
    QSharedPointer<QCPAxisTickerText> ticker(new QCPAxisTickerText);
    for (int i = 0; i < kPointCount; i += 4)
        ticker->addTick(i, model.positionText(i));
    ticker->addTick(kPointCount - 1, model.positionText(kPointCount - 1));
    Chart_Bis->xAxis->setTicker(ticker);
    Chart_Bis->replot(QCustomPlot::rpQueuedReplot);
}

void EmulatorPage::commitRow(QTableWidgetItem* item) {
    if (m_updating || item->column() != 1)
        return;
    if (const std::optional<Message> error = m_features.model().commit(item->row(), item->text()))
        report(*error);
}

void EmulatorPage::moveToNextRow() {
    const int row = sgrid_Emu->currentRow();
    const int next = row >= kPointCount - 1 ? 0 : row + 1;
    sgrid_Emu->setCurrentCell(next, 1);
}

bool EmulatorPage::eventFilter(QObject* watched, QEvent* event) {
    // Keys reach the grid itself only while no cell editor is open.
    if (watched == sgrid_Emu && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            moveToNextRow();
            return true;
        }
    }
    if (watched == atb_SGrid_Down || watched == atb_SGrid_Up) {
        // The step buttons stay while the mouse is over them.
        if (event->type() == QEvent::Enter)
            Timer_Hide_Panels.stop();
        else if (event->type() == QEvent::Leave)
            Timer_Hide_Panels.start();
    }
    return QWidget::eventFilter(watched, event);
}

void EmulatorPage::placeStepButtons(int row) {
    m_stepRow = row;
    const QRect cell = sgrid_Emu->visualRect(sgrid_Emu->model()->index(row, 1));
    const int width = std::max(12, cell.width() / 3);
    atb_SGrid_Down->setGeometry(cell.left(), cell.top(), width, cell.height());
    atb_SGrid_Up->setGeometry(cell.left() + width, cell.top(), width, cell.height());
    for (QToolButton* b : {atb_SGrid_Down, atb_SGrid_Up}) {
        b->show();
        b->raise();
    }
    Timer_Hide_Panels.start();
}

bool EmulatorPage::stepRow(int direction) {
    return m_features.model().step(m_stepRow, direction);
}

void EmulatorPage::writeSteppedRow() {
    m_features.transfer().writePoint(m_stepRow);
}

// --- chart ---

void EmulatorPage::showSeries() {
    const CurveModel& model = m_features.model();
    auto keys = [](qsizetype n) {
        QVector<double> k;
        for (qsizetype i = 0; i < n; ++i)
            k.append(double(i));
        return k;
    };
    // The one curve: the grid's values, what a write sends; a text that is not a number is a gap.
    m_curveGraph->setData(keys(model.values().size()), model.values(), true);
    Chart_Bis->replot(QCustomPlot::rpQueuedReplot);
}

void EmulatorPage::clearProposals() {
    for (QCPGraph* g : std::as_const(m_proposalGraphs))
        Chart_Bis->removeGraph(g);
    m_proposalGraphs.clear();
    m_proposalColours.clear();
    m_arcs.reset();
    m_line.reset();
    Chart_Bis->replot(QCustomPlot::rpQueuedReplot);
}

QColor EmulatorPage::proposalColour(int i) const {
    return m_proposalColours.value(i);
}

void EmulatorPage::drawArcs(const ArcProposal& arcs) {
    clearProposals();
    for (const ArcSegment& segment : arcs.segments) {
        // The chosen candidate is drawn last, over the others.
        QList<int> order;
        for (int u = 0; u < kArcCandidateCount; ++u) {
            if (u != segment.chosen)
                order.append(u);
        }
        order.append(segment.chosen);
        for (const int u : order) {
            QVector<double> keys;
            for (int j = 0; j < segment.candidates[u].size(); ++j)
                keys.append(segment.from + j);
            QCPGraph* g = Chart_Bis->addGraph();
            const QColor colour = u == segment.chosen ? QColor(Qt::red) : kYellow;
            g->setPen(QPen(colour, u == segment.chosen ? 2 : 1));
            g->setData(keys, segment.candidates[u], true);
            m_proposalGraphs.append(g);
            m_proposalColours.append(colour);
        }
    }
    m_arcs = arcs;
    Chart_Bis->replot(QCustomPlot::rpQueuedReplot);
}

void EmulatorPage::drawLine(const LineProposal& line) {
    clearProposals();
    QVector<double> keys;
    for (int i = 0; i < line.values.size(); ++i)
        keys.append(i);
    QCPGraph* g = Chart_Bis->addGraph();
    g->setPen(QPen(kYellow, 3));
    g->setData(keys, line.values, true);
    m_proposalGraphs.append(g);
    m_proposalColours.append(kYellow);
    m_line = line;
    Chart_Bis->replot(QCustomPlot::rpQueuedReplot);
}

void EmulatorPage::proposeAt(int point) {
    const QVector<double>& edit = m_features.model().values();
    if (m_mapSensor) {
        const LineResult result = ProposeLine(edit, point);
        if (!result.proposal) {
            report(result.error);
            return;
        }
        drawLine(*result.proposal);
    } else {
        const ArcResult result = ProposeArcs(edit, point, m_features.arcMemory());
        if (!result.proposal) {
            report(result.error);
            return;
        }
        drawArcs(*result.proposal);
    }
    showAcceptFor(m_mapSensor);
}

void EmulatorPage::showAcceptFor(bool map) {
    QToolButton* own = map ? atb_Accept_Interpolation_MAP : atb_Accept_Interpolation_MAF;
    QToolButton* other = map ? atb_Accept_Interpolation_MAF : atb_Accept_Interpolation_MAP;
    own->show();
    own->setEnabled(true);
    own->raise();
    other->hide();
    m_acceptFront = own;
}

void EmulatorPage::showAcceptButtons(bool map) {
    atb_Accept_Interpolation_MAF->show();
    atb_Accept_Interpolation_MAP->show();
    bringAcceptForward(map);
}

void EmulatorPage::bringAcceptForward(bool map) {
    m_mapSensor = map;
    m_acceptFront = map ? atb_Accept_Interpolation_MAP : atb_Accept_Interpolation_MAF;
    m_acceptFront->raise();
}

void EmulatorPage::atb_Accept_Interpolation_MAFClick() {
    if (!m_arcs || m_editingLocked)
        return;
    // Only the points of the two arcs change; those after the maximum keep their values.
    m_features.model().acceptValues(m_arcs->start, m_arcs->end, m_arcs->chosenValues());
}

void EmulatorPage::atb_Accept_Interpolation_MAPClick() {
    if (m_line && !m_editingLocked)
        m_features.model().acceptValues(0, kPointCount - 1, m_line->values);
}

int EmulatorPage::pointAt(const QPointF& pos) const {
    const QVector<double>& edit = m_features.model().values();
    int best = -1;
    double bestDistance = kHitPixels;
    for (int i = 0; i < edit.size(); ++i) {
        const QPointF p(Chart_Bis->xAxis->coordToPixel(i), Chart_Bis->yAxis->coordToPixel(edit[i]));
        const double d = std::hypot(p.x() - pos.x(), p.y() - pos.y());
        if (d <= bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

double EmulatorPage::voltsAt(const QPointF& pos) const {
    return Chart_Bis->yAxis->pixelToCoord(pos.y());
}

void EmulatorPage::showPointStatus(int point) {
    const double value = m_features.model().values().value(point);
    StatusBar_2D->setPanelText(
        0, text(9) + m_features.model().format().format(RoundHalfEven(value, 2)) + text(10));
    StatusBar_2D->setPanelText(1, text(11) + m_features.model().positionText(point) + text(12));
}

void EmulatorPage::chartPressed(QMouseEvent* event) {
    m_panFrom = event->button() == Qt::RightButton ? event->position().y() : -1;
    const int point = pointAt(event->position());
    if (point < 0 || !sgrid_Emu->isEnabled())
        return;
    m_panFrom = -1;
    // A press on a point moves the point, not the zoom rectangle.
    Chart_Bis->setSelectionRectMode(QCP::srmNone);
    m_selected = point;
    showPointStatus(point);
    if (event->button() == Qt::RightButton) {
        proposeAt(point);
        m_selected = -1;
        return;
    }
    m_dragging = event->button() == Qt::LeftButton;
    if (m_dragging)
        m_tools->hold(); // the whole drag is one undo step
}

void EmulatorPage::chartMoved(QMouseEvent* event) {
    if (m_dragging && m_selected >= 0) {
        m_features.model().drag(m_selected, voltsAt(event->position()));
        showPointStatus(m_selected);
        return;
    }
    if (m_panFrom >= 0 && (event->buttons() & Qt::RightButton)) {
        QCPAxis* axis = Chart_Bis->yAxis;
        const double by = axis->pixelToCoord(m_panFrom) - axis->pixelToCoord(event->position().y());
        axis->moveRange(by);
        m_panFrom = event->position().y();
        Chart_Bis->replot(QCustomPlot::rpQueuedReplot);
        return;
    }
    // The markers' hints.
    for (int i = 0; i < m_markers.size(); ++i) {
        QCPItemTracer* marker = m_markers[i];
        if (!marker->visible())
            continue;
        const QPointF p = marker->position->pixelPosition();
        if (std::fabs(p.x() - event->position().x()) <= 5 &&
            std::fabs(p.y() - event->position().y()) <= 5) {
            QToolTip::showText(event->globalPosition().toPoint(), m_markerHints[i], Chart_Bis);
            return;
        }
    }
}

void EmulatorPage::chartReleased(QMouseEvent*) {
    if (m_dragging)
        m_tools->release();
    m_dragging = false;
    m_selected = -1;
    m_panFrom = -1;
    Chart_Bis->setSelectionRectMode(QCP::srmZoom);
}

void EmulatorPage::Btn_Refresh_2D_GrafClick() {
    showSeries();
}

void EmulatorPage::setStretched(bool stretched) {
    m_features.model().setStretched(stretched);
}

void EmulatorPage::clearCurveSeries() {
    m_features.model().clearSeries();
}

// --- transfers and files ---

void EmulatorPage::atb_Emu_In_2Click() {
    if (m_features.transfer().startRead() == CurveStart::Started) {
        clearProposals();
        Lbl_Chart_Bis_File->clear();
        Lbl_Chart_Bis_File->hide();
    }
}

void EmulatorPage::atb_Emu_Out_2Click() {
    if (!askConfirmation || askConfirmation(m_texts.text(u"Msg_ConfirmCurveWrite")))
        m_features.transfer().startWrite();
}

void EmulatorPage::atb_Lambda_Filter_OnClick() {
    m_features.transfer().setFilterOn(true);
}

void EmulatorPage::atb_Lambda_Filter_OffClick() {
    m_features.transfer().setFilterOn(false);
}

void EmulatorPage::atb_Emu_Save_2Click() {
    Btn_YellowPoints_StopClick();
    if (pauseLiveChart)
        pauseLiveChart();
    const QString chosen = askSaveFileName ? askSaveFileName() : QString();
    if (chosen.isEmpty())
        return;
    const Message error = WriteCurveFile(CurveFileName(chosen), m_features.model().texts());
    if (!error.isEmpty())
        report(error);
}

void EmulatorPage::atb_Emu_Open_2Click() {
    Btn_YellowPoints_StopClick();
    if (pauseLiveChart)
        pauseLiveChart();
    if (m_features.transfer().isRunning()) {
        // A file loaded now would mix with the points still arriving from the module.
        report(MakeMessage(kMsgBusy));
        return;
    }
    const QString chosen = askOpenFileName ? askOpenFileName() : QString();
    if (chosen.isEmpty())
        return;
    CurveModel& model = m_features.model();
    const CurveFileContent content = ReadCurveFile(chosen, model.format());
    if (!content.ok()) {
        report(content.error); // nothing has changed
        return;
    }
    clearProposals();
    model.load(content.texts);
    for (const Message& notice : content.notices)
        report(notice);
    Lbl_Chart_Bis_File->setText(QFileInfo(chosen).absoluteFilePath());
    Lbl_Chart_Bis_File->show();
}

// --- overlay ---

void EmulatorPage::Btn_YellowPointsClick() {
    OverlayPoll& overlay = m_features.overlay();
    if (overlay.isRunning())
        return;
    if (!overlay.start())
        report(MakeMessage(
            overlay.Timer_YellowPoints().engine().port().Connected() ? kMsgBusy : kMsgPortClosed));
}

void EmulatorPage::Btn_YellowPoints_StopClick() {
    m_features.overlay().stop();
}

void EmulatorPage::setMarkerCountText(const QString& typed) {
    OverlayPoll& overlay = m_features.overlay();
    if (const std::optional<int> count = ParseMarkerCount(typed))
        overlay.setMarkerCount(*count);
    Ed_Num_Yellow_Points->setText(QString::number(overlay.markerCount()));
    hideMarkersFrom(overlay.markerCount() + 1);
}

bool EmulatorPage::stepMarkerCount(int direction) {
    const int before = m_features.overlay().markerCount();
    setMarkerCountText(QString::number(before + direction));
    return m_features.overlay().markerCount() != before;
}

void EmulatorPage::hideMarkersFrom(int first) {
    for (int i = std::max(1, first); i <= MarkerCount; ++i)
        m_markers[i - 1]->setVisible(false);
    Chart_Bis->replot(QCustomPlot::rpQueuedReplot);
}

void EmulatorPage::placeMarker(int number, const OverlayPoint& point) {
    const DecimalFormat& f = m_features.model().format();
    const QString u = text(9) + f.format(point.u) + text(10);
    const QString x = text(11) + f.format(point.shownX) + text(12);
    const QString fuel = text(46) + f.format(point.fuelMs) + text(47);
    StatusBar_2D->setPanelText(0, u);
    StatusBar_2D->setPanelText(1, x);
    StatusBar_2D->setPanelText(2, fuel);
    if (number < 1 || number > MarkerCount)
        return;
    QCPItemTracer* marker = m_markers[number - 1];
    // The marker sits over the curve point it belongs to: at the unhalved position.
    marker->position->setCoords(point.x, point.u);
    marker->setVisible(true);
    m_markerHints[number - 1] = u + QStringLiteral("\r\n") + x + QStringLiteral("\r\n") + fuel;
    Chart_Bis->replot(QCustomPlot::rpQueuedReplot);
}

EmulatorPage::MarkerView EmulatorPage::marker(int number) const {
    const QCPItemTracer* m = m_markers.value(number - 1);
    if (!m)
        return {};
    return {m->visible(), m->position->coords().x(), m->position->coords().y(),
            m_markerHints.value(number - 1)};
}
