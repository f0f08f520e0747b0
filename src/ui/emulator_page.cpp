#include "emulator_page.h"

#include "curve_chart.h"
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

    buildGrid();
    v->addWidget(sgrid_Emu, 1);
    v->addWidget(buildDataGroup());
    v->addWidget(buildFilterGroup());
    return sPanel_Table2D_Emu;
}

void EmulatorPage::buildGrid() {
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
}

QWidget* EmulatorPage::buildDataGroup() {
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
    return data;
}

QWidget* EmulatorPage::buildFilterGroup() {
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
    return filter;
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

    Chart_Bis = new CurveChart(panel);
    Chart_Bis->editingAllowed = [this] { return sgrid_Emu->isEnabled(); };
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

    h->addWidget(buildOverlayGroup(panel), 2);
    return panel;
}

// "Динамический вывод": the live operating-point markers and how many of them are kept.
QWidget* EmulatorPage::buildOverlayGroup(QWidget* panel) {
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
    return dynamic;
}

void EmulatorPage::bind() {
    CurveModel& model = m_features.model();
    CurveTransfer& transfer = m_features.transfer();

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

    bindButtons();
    bindTransfer();
    bindChart();
}

void EmulatorPage::bindButtons() {
    OverlayPoll& overlay = m_features.overlay();
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

    connect(&overlay, &OverlayPoll::lockRequested, this, &EmulatorPage::lockRequested);
    connect(&overlay, &OverlayPoll::unlockRequested, this, &EmulatorPage::unlockRequested);
    connect(&overlay, &OverlayPoll::started, this, [this] { Chart_Bis->hideMarkersFrom(1); });
    connect(&overlay, &OverlayPoll::pointPlaced, this, &EmulatorPage::placeMarker);
}

void EmulatorPage::bindTransfer() {
    CurveTransfer& transfer = m_features.transfer();
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
}

void EmulatorPage::bindChart() {
    connect(Chart_Bis, &CurveChart::pointPressed, this, &EmulatorPage::showPointStatus);
    connect(Chart_Bis, &CurveChart::proposalRequested, this, &EmulatorPage::proposeAt);
    // The whole drag is one undo step.
    connect(Chart_Bis, &CurveChart::dragStarted, m_tools, &CurveGridTools::hold);
    connect(Chart_Bis, &CurveChart::dragFinished, m_tools, &CurveGridTools::release);
    connect(Chart_Bis, &CurveChart::dragged, this, [this](int point, double volts) {
        m_features.model().drag(point, volts);
        showPointStatus(point);
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
    Chart_Bis->setReadLabelText(messageText(MakeMessage(kMsgReadLine)));
    Chart_Bis->replot(QCustomPlot::rpQueuedReplot);
}

void EmulatorPage::showRead() {
    Chart_Bis->showRead(m_features.model().values());
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
    // The bottom axis shows the positions.
    QStringList positions;
    for (int i = 0; i < kPointCount; ++i)
        positions << model.positionText(i);
    Chart_Bis->showPositions(positions);
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
    // The one curve: the grid's values, what a write sends; a text that is not a number is a gap.
    Chart_Bis->showValues(m_features.model().values());
}

void EmulatorPage::clearProposals() {
    Chart_Bis->clearProposals();
    m_arcs.reset();
    m_line.reset();
}

QCustomPlot* EmulatorPage::chart() const {
    return Chart_Bis;
}

int EmulatorPage::proposalGraphCount() const {
    return Chart_Bis->proposalGraphCount();
}

QColor EmulatorPage::proposalColour(int i) const {
    return Chart_Bis->proposalColour(i);
}

void EmulatorPage::proposeAt(int point) {
    const QVector<double>& edit = m_features.model().values();
    if (m_mapSensor) {
        const LineResult result = ProposeLine(edit, point);
        if (!result.proposal) {
            report(result.error);
            return;
        }
        m_arcs.reset();
        m_line = *result.proposal;
        Chart_Bis->drawLine(*m_line);
    } else {
        const ArcResult result = ProposeArcs(edit, point, m_features.arcMemory());
        if (!result.proposal) {
            report(result.error);
            return;
        }
        m_line.reset();
        m_arcs = *result.proposal;
        Chart_Bis->drawArcs(*m_arcs);
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

void EmulatorPage::showPointStatus(int point) {
    const double value = m_features.model().values().value(point);
    StatusBar_2D->setPanelText(
        0, text(9) + m_features.model().format().format(RoundHalfEven(value, 2)) + text(10));
    StatusBar_2D->setPanelText(1, text(11) + m_features.model().positionText(point) + text(12));
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
    Chart_Bis->hideMarkersFrom(overlay.markerCount() + 1);
}

bool EmulatorPage::stepMarkerCount(int direction) {
    const int before = m_features.overlay().markerCount();
    setMarkerCountText(QString::number(before + direction));
    return m_features.overlay().markerCount() != before;
}

void EmulatorPage::placeMarker(int number, const OverlayPoint& point) {
    const DecimalFormat& f = m_features.model().format();
    const QString u = text(9) + f.format(point.u) + text(10);
    const QString x = text(11) + f.format(point.shownX) + text(12);
    const QString fuel = text(46) + f.format(point.fuelMs) + text(47);
    StatusBar_2D->setPanelText(0, u);
    StatusBar_2D->setPanelText(1, x);
    StatusBar_2D->setPanelText(2, fuel);
    // The marker sits over the curve point it belongs to: at the unhalved position.
    Chart_Bis->placeMarker(number, point.x, point.u,
                           u + QStringLiteral("\r\n") + x + QStringLiteral("\r\n") + fuel);
}

EmulatorPage::MarkerView EmulatorPage::marker(int number) const {
    return Chart_Bis->marker(number);
}
