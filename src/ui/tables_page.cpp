#include "tables_page.h"

#include "choice_change.h"
#include "interface_lock.h"
#include "record_map_panel.h"
#include "settings_features.h"
#include "settings_view.h"
#include "surface_view.h"
#include "table_file.h"
#include "table_grid_tools.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

struct TableColours {
    QColor cell;
    QColor fixed;
};

TableColours coloursOf(TableKind kind) {
    return kind == TableKind::Water
               ? TableColours{QColor(0xD0, 0xED, 0xF0), QColor(0x79, 0xBD, 0xD7)}
               : TableColours{QColor(0xF0, 0xE7, 0xD2), QColor(0xD8, 0xBF, 0x8D)};
}

bool isCommitKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Up ||
           key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right;
}

QToolButton* textButton(const char* name, const QString& text, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(text);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    b->setMinimumHeight(26);
    return b;
}

QRadioButton* radio(const char* name, const QString& text, QWidget* parent) {
    auto* r = new QRadioButton(text, parent);
    r->setObjectName(QLatin1String(name));
    return r;
}

} // namespace

// The view grid: Enter and the arrows commit what was typed into the focused cell before the
// focus moves. Moving without typing commits nothing, so a value shown rounded in another unit
// is never written back.
class TableGridKeys : public QStyledItemDelegate {
public:
    TableGridKeys(TablesPage* page, QTableWidget* grid)
        : QStyledItemDelegate(grid), m_page(page), m_grid(grid) {}

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* editor = qobject_cast<QLineEdit*>(object);
        if (editor && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            // Left and Right move the caret inside the text and leave the cell at its ends.
            const bool leaves =
                (key != Qt::Key_Left || editor->cursorPosition() == 0) &&
                (key != Qt::Key_Right || editor->cursorPosition() == editor->text().size());
            if (isCommitKey(key) && leaves) {
                const QString text = editor->text();
                const QModelIndex at = m_grid->currentIndex();
                const bool typed = text != at.data().toString();
                m_closing = true;
                emit closeEditor(editor, QAbstractItemDelegate::NoHint);
                m_closing = false;
                m_page->sgrid_Table_3DKeyDown(key, {at.column(), at.row()}, text, typed);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

    // The editor closes another way (a click elsewhere, Tab, another page): what was typed is
    // committed by the same rules rather than left on show without reaching the table.
    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        if (auto* line = qobject_cast<QLineEdit*>(editor);
            line && !m_closing && index.row() > 0 && index.column() > 0 && !m_page->m_destroying &&
            line->text() != index.data().toString())
            m_page->sgrid_Table_3DKeyDown(0, {index.column(), index.row()}, line->text(), true);
    }

private:
    TablesPage* m_page;
    QTableWidget* m_grid;
    bool m_closing = false; // the commit key handles the text itself
};

namespace {

class TableGridWidget : public QTableWidget {
public:
    TableGridWidget(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent) {}
    std::function<bool(int key)> commitKey;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (state() != QAbstractItemView::EditingState && isCommitKey(event->key()) && commitKey &&
            commitKey(event->key())) {
            event->accept();
            return;
        }
        QTableWidget::keyPressEvent(event);
    }
};

} // namespace

TablesPage::TablesPage(TransactionEngine& engine, SettingsFeatures& settings, QWidget* parent)
    : QWidget(parent), m_transfer(engine, m_tables), m_settings(settings) {
    setObjectName(QStringLiteral("Panel_3D"));
    build();

    connect(&m_tables, &InjectionTables::viewChanged, this, &TablesPage::showView);
    connect(&m_tables, &InjectionTables::viewCellChanged, this, &TablesPage::showViewCell);
    connect(&m_tables, &InjectionTables::unitChanged, this, &TablesPage::showUnit);
    connect(&m_tables, &InjectionTables::message, this,
            [this](const Message& m) { emit message(messageText(m)); });
    connect(&m_transfer, &TableTransfer::lockRequested, this, &TablesPage::lockRequested);
    connect(&m_transfer, &TableTransfer::unlockRequested, this, &TablesPage::unlockRequested);
    connect(&m_transfer, &TableTransfer::completed, this, [this] {
        emit progressReset();
        showSurface();
    });
    connect(&m_transfer, &TableTransfer::failed, this, [this](TableKind kind, int) {
        emit progressReset();
        emit commandPanelText(m_failureTexts[kind == TableKind::Water ? 0 : 1]);
    });
    connect(&m_settings.page(), &SettingsPageModel::mainChanged, this,
            &TablesPage::showBasisButtons);
    connect(&m_settings.choices(), &ChoiceChange::started, this, [this](ChoiceOperation op) {
        if (op == ChoiceOperation::KorrTab_MAF)
            applyBasisToPage(CorrectionBasis::Maf);
        else if (op == ChoiceOperation::KorrTab_VV)
            applyBasisToPage(CorrectionBasis::InjectionTime);
    });
    connect(Panel_Space3D, &SurfaceView::tableReselected, this, &TablesPage::refreshTable);
    m_recordMap->setBasis(m_tables.basis());
    connect(&m_tables, &InjectionTables::basisChanged, m_recordMap, &RecordMapPanel::setBasis);

    // After the page's own view refresh, so the compare marks are painted over its colours.
    m_tools = new TableGridTools(sgrid_Table_3D, m_tables, this);
    connect(m_tools, &TableGridTools::liveTrailChanged, Panel_Space3D, &SurfaceView::setLiveTrail);
    connect(m_tools, &TableGridTools::message, this, &TablesPage::message);
    // A whole transfer is one undo step; complete reads and verified writes go to the history,
    // a write as the table was when it started (what it sent).
    connect(&m_transfer, &TableTransfer::lockRequested, m_tools, &TableGridTools::hold);
    connect(&m_transfer, &TableTransfer::unlockRequested, m_tools, &TableGridTools::release);
    connect(&m_transfer, &TableTransfer::lockRequested, this, [this] { setEditingLocked(true); });
    connect(&m_transfer, &TableTransfer::unlockRequested, this,
            [this] { setEditingLocked(false); });
    connect(&m_transfer, &TableTransfer::completed, m_tools,
            [this](TableKind kind, TableOperation operation) {
                const bool write = operation == TableOperation::Write;
                const QStringList cells =
                    write ? m_transfer.writtenCells() : m_tables.data(kind).cells();
                m_tools->rememberRead(kind, cells);
                m_tools->keepInHistory(
                    kind, write ? QStringLiteral("write") : QStringLiteral("read"), cells);
            });

    m_tables.setUp(CorrectionBasis::Maf);
    applyBasisToPage(CorrectionBasis::Maf);
    showView();
    showBasisButtons();
    showUnit(m_tables.unit());
}

TablesPage::~TablesPage() {
    // An editor still open closes with the grid; the tables it would commit into go first.
    m_destroying = true;
    delete sgrid_Table_3D;
    sgrid_Table_3D = nullptr;
}

void TablesPage::build() {
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(6);

    auto* left = new QVBoxLayout;
    left->setSpacing(2);
    outer->addLayout(left, 1);
    Panel_3D_Top = new QLabel(QStringLiteral("Частота вращения об/мин"), this);
    Panel_3D_Top->setObjectName(QStringLiteral("Panel_3D_Top"));
    Panel_3D_Top->setAlignment(Qt::AlignCenter);
    left->addWidget(Panel_3D_Top);

    auto* gridRow = new QHBoxLayout;
    gridRow->setSpacing(2);
    left->addLayout(gridRow);
    Panel_3D_Left = new QLabel(this);
    Panel_3D_Left->setObjectName(QStringLiteral("Panel_3D_Left"));
    Panel_3D_Left->setAlignment(Qt::AlignCenter);
    Panel_3D_Left->setMinimumWidth(40);
    gridRow->addWidget(Panel_3D_Left);

    gridRow->addWidget(buildGrid(), 1);

    spnl_Name_Table_3D = new QLabel(this);
    spnl_Name_Table_3D->setObjectName(QStringLiteral("spnl_Name_Table_3D"));
    spnl_Name_Table_3D->setAlignment(Qt::AlignCenter);
    QFont titleFont = spnl_Name_Table_3D->font();
    titleFont.setBold(true);
    spnl_Name_Table_3D->setFont(titleFont);
    left->addWidget(spnl_Name_Table_3D);

    Panel_Space3D = new SurfaceView(this);
    Panel_Space3D->setMinimumSize(300, 240);
    left->addWidget(Panel_Space3D, 1);

    outer->addWidget(buildRightColumn());
}

QTableWidget* TablesPage::buildGrid() {
    auto* grid = new TableGridWidget(kTableRows + 1, kTableColumns + 1, this);
    sgrid_Table_3D = grid;
    grid->setObjectName(QStringLiteral("sgrid_Table_3D"));
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
    grid->setItemDelegate(new TableGridKeys(this, grid));
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid->verticalHeader()->setMinimumSectionSize(20);
    grid->setMinimumWidth(9 * 52);
    grid->setFixedHeight(207);
    for (int r = 0; r <= kTableRows; ++r) {
        for (int c = 0; c <= kTableColumns; ++c) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            if (r == 0 || c == 0)
                item->setFlags(Qt::ItemIsEnabled);
            grid->setItem(r, c, item);
        }
    }
    grid->commitKey = [this, grid](int key) {
        const int r = grid->currentRow();
        const int c = grid->currentColumn();
        if (r < 1 || c < 1)
            return false;
        // Not editing: nothing was typed, Enter walks on and the arrows move as usual.
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        sgrid_Table_3DKeyDown(key, {c, r}, grid->item(r, c)->text(), false);
        return true;
    };
    return grid;
}

QWidget* TablesPage::buildRightColumn() {
    auto* column = new QWidget(this);
    column->setObjectName(QStringLiteral("spnl_3D_Right"));
    column->setFixedWidth(270);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(buildTransferButtons(column));
    layout->addWidget(buildFilter(column));
    layout->addWidget(buildBasis(column));
    buildWriteConfirmations();
    m_recordMap = new RecordMapPanel(sgrid_Table_3D, Panel_Space3D, column);
    layout->addWidget(m_recordMap);
    sgb_3D_Navygator = new SurfaceNavigation(Panel_Space3D, column);
    layout->addWidget(sgb_3D_Navygator);
    layout->addStretch(1);
    wireRightColumn();
    return column;
}

// The water and the fuel set of transfer and file buttons, in one place.
QWidget* TablesPage::buildTransferButtons(QWidget* parent) {
    spnl_3D_Buttons = new QStackedWidget(parent);
    spnl_3D_Buttons->setObjectName(QStringLiteral("spnl_3D_Buttons"));
    auto buttonSet = [&](const char* out, const char* in, const char* save, const char* open,
                         QToolButton** outB, QToolButton** inB, QToolButton** saveB,
                         QToolButton** openB) {
        auto* page = new QWidget(spnl_3D_Buttons);
        auto* v = new QVBoxLayout(page);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(3);
        *outB = textButton(out, QStringLiteral("Получить из модуля"), page);
        *inB = textButton(in, QStringLiteral("Записать в модуль"), page);
        *saveB = textButton(save, QStringLiteral("Сохранить в файл"), page);
        *openB = textButton(open, QStringLiteral("Открыть из файла"), page);
        for (QToolButton* b : {*outB, *inB, *saveB, *openB})
            v->addWidget(b);
        spnl_3D_Buttons->addWidget(page);
    };
    buttonSet("atb_Water_Out", "atb_Water_In", "atb_Water_Save", "atb_Water_Open", &atb_Water_Out,
              &atb_Water_In, &atb_Water_Save, &atb_Water_Open);
    buttonSet("atb_Fuel_Out", "atb_Fuel_In", "atb_Fuel_Save", "atb_Fuel_Open", &atb_Fuel_Out,
              &atb_Fuel_In, &atb_Fuel_Save, &atb_Fuel_Open);
    return spnl_3D_Buttons;
}

QWidget* TablesPage::buildFilter(QWidget* parent) {
    sgb_Filter3D = new QGroupBox(QStringLiteral("Фильтр"), parent);
    sgb_Filter3D->setObjectName(QStringLiteral("sgb_Filter3D"));
    auto* filter = new QHBoxLayout(sgb_Filter3D);
    rb_Filter3D_On = radio("rb_Filter3D_On", QStringLiteral("Вкл"), sgb_Filter3D);
    rb_Filter3D_Off = radio("rb_Filter3D_Off", QStringLiteral("Выкл"), sgb_Filter3D);
    rb_Filter3D_Off->setChecked(true);
    filter->addWidget(rb_Filter3D_On);
    filter->addWidget(rb_Filter3D_Off);
    filter->addStretch(1);
    return sgb_Filter3D;
}

// The correction basis and the display units, with the write confirmations over them.
QWidget* TablesPage::buildBasis(QWidget* parent) {
    spnl_KorrTab_Place = new QStackedWidget(parent);
    spnl_KorrTab_Place->setObjectName(QStringLiteral("spnl_KorrTab_Place"));
    sgb_KorrTab =
        new QGroupBox(QStringLiteral("Производить коррекцию таблиц по ..."), spnl_KorrTab_Place);
    sgb_KorrTab->setObjectName(QStringLiteral("sgb_KorrTab"));
    auto* basis = new QVBoxLayout(sgb_KorrTab);
    basis->setSpacing(4);
    atb_KorrTab_MAF =
        textButton("atb_KorrTab_MAF", QStringLiteral("Напряжение от MAF"), sgb_KorrTab);
    atb_KorrTab_VV = textButton("atb_KorrTab_VV", QStringLiteral("Время впрыска"), sgb_KorrTab);
    sgb_KorrTab->setStyleSheet(QStringLiteral("QToolButton:checked { font-weight: bold; }"));
    for (QToolButton* b : {atb_KorrTab_MAF, atb_KorrTab_VV}) {
        b->setCheckable(true);
        basis->addWidget(b);
    }
    srg_VV = new QGroupBox(QStringLiteral("... по времени впрыска"), sgb_KorrTab);
    srg_VV->setObjectName(QStringLiteral("srg_VV"));
    auto* units = new QVBoxLayout(srg_VV);
    srb_VV_Abs = radio("srb_VV_Abs", QStringLiteral("Абс. значения"), srg_VV);
    srb_VV_Perc = radio("srb_VV_Perc", QStringLiteral("Проценты"), srg_VV);
    srb_VV_mLH = radio("srb_VV_mLH", QStringLiteral("Расход мл/час"), srg_VV);
    for (QRadioButton* r : {srb_VV_Abs, srb_VV_Perc, srb_VV_mLH})
        units->addWidget(r);
    sL_fors = new QLabel(QStringLiteral("Производительность форсунки, мл/мин"), srg_VV);
    sL_fors->setObjectName(QStringLiteral("sL_fors"));
    sL_fors->setWordWrap(true);
    units->addWidget(sL_fors);
    sEd_fors_water = new QLineEdit(srg_VV);
    sEd_fors_water->setObjectName(QStringLiteral("sEd_fors_water"));
    sEd_fors_fuel = new QLineEdit(srg_VV);
    sEd_fors_fuel->setObjectName(QStringLiteral("sEd_fors_fuel"));
    units->addWidget(sEd_fors_water);
    units->addWidget(sEd_fors_fuel);
    basis->addWidget(srg_VV);
    basis->addStretch(1);
    spnl_KorrTab_Place->addWidget(sgb_KorrTab);

    return spnl_KorrTab_Place;
}

void TablesPage::buildWriteConfirmations() {
    auto confirmation = [&](const char* name, const char* labelName, const QString& text,
                            const char* ok, const char* cancel, QToolButton** okB,
                            QToolButton** cancelB) {
        auto* panel = new QFrame(spnl_KorrTab_Place);
        panel->setObjectName(QLatin1String(name));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setAutoFillBackground(true);
        auto* v = new QVBoxLayout(panel);
        auto* label = new QLabel(text, panel);
        label->setObjectName(QLatin1String(labelName));
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        v->addWidget(label);
        auto* row = new QHBoxLayout;
        *okB = textButton(ok, QStringLiteral("OK"), panel);
        *cancelB = textButton(cancel, QStringLiteral("Отмена"), panel);
        row->addWidget(*okB);
        row->addWidget(*cancelB);
        v->addLayout(row);
        v->addStretch(1);
        spnl_KorrTab_Place->addWidget(panel);
        return panel;
    };
    spnl_Water_In = confirmation("spnl_Water_In", "sLabel_Water_In",
                                 QStringLiteral("Таблица впрыска воды в модуле будет заменена"),
                                 "sbtn_OK_Water_In", "sbtn_Cancel_Water_In", &sbtn_OK_Water_In,
                                 &sbtn_Cancel_Water_In);
    spnl_Fuel_in = confirmation("spnl_Fuel_in", "sLabel_Fuel_In",
                                QStringLiteral("Таблица впрыска топлива в модуле будет заменена"),
                                "sbtn_OK_Fuel_In", "sbtn_Cancel_Fuel_In", &sbtn_OK_Fuel_In,
                                &sbtn_Cancel_Fuel_In);
}

void TablesPage::wireRightColumn() {
    connect(atb_Water_Out, &QToolButton::clicked, this, &TablesPage::atb_Water_OutClick);
    connect(atb_Fuel_Out, &QToolButton::clicked, this, &TablesPage::atb_Fuel_OutClick);
    connect(atb_Water_In, &QToolButton::clicked, this, &TablesPage::atb_Water_InClick);
    connect(atb_Fuel_In, &QToolButton::clicked, this, &TablesPage::atb_Fuel_InClick);
    connect(atb_Water_Save, &QToolButton::clicked, this, &TablesPage::atb_Water_SaveClick);
    connect(atb_Fuel_Save, &QToolButton::clicked, this, &TablesPage::atb_Fuel_SaveClick);
    connect(atb_Water_Open, &QToolButton::clicked, this, &TablesPage::atb_Water_OpenClick);
    connect(atb_Fuel_Open, &QToolButton::clicked, this, &TablesPage::atb_Fuel_OpenClick);
    connect(sbtn_OK_Water_In, &QToolButton::clicked, this, &TablesPage::sbtn_OK_Water_InClick);
    connect(sbtn_OK_Fuel_In, &QToolButton::clicked, this, &TablesPage::sbtn_OK_Fuel_InClick);
    connect(sbtn_Cancel_Water_In, &QToolButton::clicked, this,
            &TablesPage::sbtn_Cancel_Water_InClick);
    connect(sbtn_Cancel_Fuel_In, &QToolButton::clicked, this,
            &TablesPage::sbtn_Cancel_Fuel_InClick);
    connect(atb_KorrTab_MAF, &QToolButton::clicked, this, &TablesPage::atb_KorrTab_MAFClick);
    connect(atb_KorrTab_VV, &QToolButton::clicked, this, &TablesPage::atb_KorrTab_VVClick);
    connect(srb_VV_Abs, &QRadioButton::clicked, this, &TablesPage::srb_VV_AbsClick);
    connect(srb_VV_Perc, &QRadioButton::clicked, this, &TablesPage::srb_VV_PercClick);
    connect(srb_VV_mLH, &QRadioButton::clicked, this, &TablesPage::srb_VV_mLHClick);
    connect(sEd_fors_water, &QLineEdit::textChanged, this,
            [this](const QString& t) { m_tables.setFlowText(TableKind::Water, t); });
    connect(sEd_fors_fuel, &QLineEdit::textChanged, this,
            [this](const QString& t) { m_tables.setFlowText(TableKind::Fuel, t); });
}

void TablesPage::setEditingLocked(bool locked) {
    m_tables.setEditingLocked(locked);
    m_tools->setEditingLocked(locked);
    // The grid goes with its editors: a text typed now could not reach what is being sent.
    sgrid_Table_3D->setEnabled(!locked);
    for (QWidget* w : std::initializer_list<QWidget*>{
             srb_VV_Abs, srb_VV_Perc, srb_VV_mLH, atb_KorrTab_MAF, atb_KorrTab_VV, atb_Water_Save,
             atb_Water_Open, atb_Fuel_Save, atb_Fuel_Open})
        w->setEnabled(!locked);
}

void TablesPage::addToLock(InterfaceLock& lock) {
    for (QToolButton* b : {atb_Water_Out, atb_Fuel_Out, atb_Water_In, atb_Fuel_In})
        lock.add(b);
}

void TablesPage::applyInfo(const InfoSettings& info) {
    rb_Filter3D_On->setChecked(info.filter3DOn);
    rb_Filter3D_Off->setChecked(!info.filter3DOn);
    m_tables.setUp(info.correctionBasis);
    m_settings.page().editMain(
        [&](ChoiceSelection& s) { s.KorrTab = info.correctionBasis == CorrectionBasis::Maf; });
    applyBasisToPage(info.correctionBasis);
}

void TablesPage::storeInfo(InfoSettings& info) const {
    info.filter3DOn = rb_Filter3D_On->isChecked();
    if (const auto korrTab = m_settings.page().main().KorrTab)
        info.correctionBasis = *korrTab ? CorrectionBasis::Maf : CorrectionBasis::InjectionTime;
}

void TablesPage::setTexts(const InterfaceTexts& texts, bool tablePageButtonDown) {
    m_texts = texts;
    m_tools->setTexts(texts);
    m_recordMap->setTexts(texts);
    Panel_3D_Left->setText(axisCaption(m_tables.basis()));
    m_waterTitle = texts.text(33);
    m_fuelTitle = texts.text(34);
    m_failureTexts = {texts.text(5), texts.text(6)};
    m_transfer.setFailureTexts(texts.text(5), texts.text(6));
    if (tablePageButtonDown) {
        spnl_Name_Table_3D->setText(m_tables.active() == TableKind::Water ? m_waterTitle
                                                                          : m_fuelTitle);
        btnRefresh3D();
    }
}

void TablesPage::applySettingsView(const SettingsView& view) {
    spnl_3D_Buttons->setCurrentIndex(0);
    srg_VV->setVisible(view.showVvUnits);
    if (!view.showVvUnits)
        m_tables.setUnit(TableUnit::Absolute); // a hidden unit would still convert typed values
    m_tables.setRowLabels(view.tableRowLabels, view.tableLabelsOnStoredTables);
    const CorrectionBasis labelled = view.tableRowLabels == BasisRowLabels(CorrectionBasis::Maf)
                                         ? CorrectionBasis::Maf
                                         : CorrectionBasis::InjectionTime;
    m_tables.setBasis(labelled); // the buttons already show the module's basis
    Panel_3D_Left->setText(axisCaption(labelled));
    Panel_Space3D->setBasis(labelled);
    btnRefresh3D();
}

QString TablesPage::namedText(const QString& key) const {
    return m_texts.message(Message{key, {}});
}

QString TablesPage::messageText(const Message& m) const {
    if (m.key == QLatin1String(table_messages::Busy) && !m.args.isEmpty()) {
        // The running operation in the user's words; its timer's name means nothing to them.
        const QString words =
            m_texts.text(QStringLiteral("Msg_Running%1").arg(QLatin1Char('_') + m.args.first()));
        if (words.isEmpty())
            return namedText(m.key).remove(QStringLiteral(" (%1)"));
        return FillMessageText(namedText(m.key), {words});
    }
    return m_texts.message(m);
}

QString TablesPage::axisCaption(CorrectionBasis basis) const {
    return namedText(basis == CorrectionBasis::Maf ? QStringLiteral("Msg_Table_AxisVolts")
                                                   : QStringLiteral("Msg_Table_AxisMs"));
}

SurfaceValues TablesPage::surfaceValues(TableKind kind) const {
    SurfaceValues values{};
    const TableGrid& t = m_tables.data(kind);
    for (int r = 1; r <= kTableRows; ++r) {
        for (int c = 1; c <= kTableColumns; ++c)
            values[size_t((r - 1) * kTableColumns + (c - 1))] =
                m_tables.format().parse(t.cell(c, r)).value_or(kCellMinimum);
    }
    return values;
}

void TablesPage::showView() {
    const TableColours colours = coloursOf(m_tables.active());
    const TableGrid& view = m_tables.view();
    for (int r = 0; r <= kTableRows; ++r) {
        for (int c = 0; c <= kTableColumns; ++c) {
            QTableWidgetItem* item = sgrid_Table_3D->item(r, c);
            // The load labels are fixed texts of the old form: shown with the cells' separator.
            item->setText(c == 0 && r > 0 ? m_tables.format().normalised(view.cell(c, r))
                                          : view.cell(c, r));
            item->setBackground(r == 0 || c == 0 ? colours.fixed : colours.cell);
        }
    }
    // The surface follows every change of the table: typed, range, paste, undo, file, history.
    Panel_Space3D->setValues(surfaceValues(m_tables.active()));
}

void TablesPage::showViewCell(CellPosition cell) {
    sgrid_Table_3D->item(cell.row, cell.column)->setText(m_tables.view().cell(cell));
    // A transfer fills cell after cell: the surface follows once a row is complete.
    if (!m_transfer.isRunning() || cell.column == kTableColumns)
        Panel_Space3D->setValues(surfaceValues(m_tables.active()));
}

void TablesPage::showBasisButtons() {
    const auto korrTab = m_settings.page().main().KorrTab;
    atb_KorrTab_MAF->setChecked(korrTab && *korrTab);
    atb_KorrTab_VV->setChecked(korrTab && !*korrTab);
}

void TablesPage::showUnit(TableUnit unit) {
    srb_VV_Abs->setChecked(unit == TableUnit::Absolute);
    srb_VV_Perc->setChecked(unit == TableUnit::Percent);
    srb_VV_mLH->setChecked(unit == TableUnit::Flow);
    showFlowFields();
}

void TablesPage::showFlowFields() {
    const bool flow = m_tables.unit() == TableUnit::Flow;
    sL_fors->setVisible(flow);
    sEd_fors_water->setVisible(flow && m_tables.active() == TableKind::Water);
    sEd_fors_fuel->setVisible(flow && m_tables.active() == TableKind::Fuel);
}

void TablesPage::showSurface() {
    Panel_Space3D->setValues(surfaceValues(m_tables.active()));
}

void TablesPage::btnRefresh3D() {
    Panel_Space3D->update();
}

void TablesPage::refreshTable(TableKind kind) {
    m_tables.refresh(kind);
    spnl_Name_Table_3D->setText(kind == TableKind::Water ? m_waterTitle : m_fuelTitle);
    emit showRequested();
    sgrid_Table_3D->setFocus();
    showView();
    Panel_Space3D->showTable(kind, surfaceValues(kind), m_tables.basis());
    spnl_3D_Buttons->setCurrentIndex(kind == TableKind::Water ? 0 : 1);
    spnl_KorrTab_Place->setCurrentWidget(sgb_KorrTab);
    showFlowFields();
}

void TablesPage::btn_WaterClick() {
    refreshTable(TableKind::Water);
}

void TablesPage::btn_FuelClick() {
    refreshTable(TableKind::Fuel);
}

void TablesPage::focusCell(CellPosition cell) {
    sgrid_Table_3D->setCurrentCell(cell.row, cell.column);
}

void TablesPage::sgrid_Table_3DKeyDown(int key, CellPosition cell, const QString& text,
                                       bool typed) {
    if (typed) {
        if (const auto refusal = m_tables.commit(cell, text)) {
            emit message(messageText(*refusal));
            return; // the focus stays on the cell with the typed text
        }
    }
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        sgrid_Table_3DKeyPress(cell);
        break;
    case Qt::Key_Up:
        focusCell({cell.column, std::max(1, cell.row - 1)});
        break;
    case Qt::Key_Down:
        focusCell({cell.column, std::min(kTableRows, cell.row + 1)});
        break;
    case Qt::Key_Left:
        focusCell({std::max(1, cell.column - 1), cell.row});
        break;
    case Qt::Key_Right:
        focusCell({std::min(kTableColumns, cell.column + 1), cell.row});
        break;
    default:
        break;
    }
}

void TablesPage::sgrid_Table_3DKeyPress(CellPosition cell) {
    focusCell(EnterWalk(cell));
}

void TablesPage::startRead(TableKind kind) {
    m_tables.chooseUnit(TableUnit::Absolute);
    if (const auto refusal = m_transfer.startRead(kind, rb_Filter3D_On->isChecked()))
        emit message(messageText(*refusal));
}

void TablesPage::atb_Water_OutClick() {
    startRead(TableKind::Water);
}

void TablesPage::atb_Fuel_OutClick() {
    startRead(TableKind::Fuel);
}

void TablesPage::atb_Water_InClick() {
    spnl_KorrTab_Place->setCurrentWidget(spnl_Water_In);
}

void TablesPage::atb_Fuel_InClick() {
    spnl_KorrTab_Place->setCurrentWidget(spnl_Fuel_in);
}

void TablesPage::startWrite(TableKind kind) {
    spnl_KorrTab_Place->setCurrentWidget(sgb_KorrTab);
    if (const auto refusal = m_transfer.startWrite(kind))
        emit message(messageText(*refusal));
}

void TablesPage::sbtn_OK_Water_InClick() {
    startWrite(TableKind::Water);
}

void TablesPage::sbtn_OK_Fuel_InClick() {
    startWrite(TableKind::Fuel);
}

void TablesPage::sbtn_Cancel_Water_InClick() {
    spnl_KorrTab_Place->setCurrentWidget(sgb_KorrTab);
    btnRefresh3D();
}

void TablesPage::sbtn_Cancel_Fuel_InClick() {
    sbtn_Cancel_Water_InClick();
}

void TablesPage::saveTable(TableKind kind) {
    emit fileDialogOpening();
    const QString files =
        namedText(kind == TableKind::Water ? QStringLiteral("Msg_Table_WaterFiles")
                                           : QStringLiteral("Msg_Table_FuelFiles"));
    const QString filter = files + QStringLiteral(" (*") + TableFileSuffix(kind) + QLatin1Char(')');
    const QString chosen = askFileName
                               ? askFileName(kind, true, filter)
                               : QFileDialog::getSaveFileName(this, QString(), QString(), filter);
    if (!chosen.isEmpty()) {
        if (const auto error =
                WriteTableFile(TableFileName(kind, chosen), m_tables.data(kind).cells()))
            emit message(messageText(*error));
    }
    showSurface();
}

void TablesPage::openTable(TableKind kind) {
    emit fileDialogOpening();
    m_tables.chooseUnit(TableUnit::Absolute);
    const QString files =
        namedText(kind == TableKind::Water ? QStringLiteral("Msg_Table_WaterFiles")
                                           : QStringLiteral("Msg_Table_FuelFiles"));
    const QString filter = files + QStringLiteral(" (*") + TableFileSuffix(kind) + QLatin1Char(')');
    const QString chosen = askFileName
                               ? askFileName(kind, false, filter)
                               : QFileDialog::getOpenFileName(this, QString(), QString(), filter);
    if (!chosen.isEmpty()) {
        const TableFileContent content = ReadTableFile(chosen, m_tables.format());
        if (content.ok()) {
            m_tables.loadCells(kind, content.cells);
            for (const Message& notice : content.notices)
                emit message(messageText(notice));
        } else {
            emit message(messageText(*content.error));
        }
    }
    showSurface();
}

void TablesPage::atb_Water_SaveClick() {
    saveTable(TableKind::Water);
}

void TablesPage::atb_Fuel_SaveClick() {
    saveTable(TableKind::Fuel);
}

void TablesPage::atb_Water_OpenClick() {
    openTable(TableKind::Water);
}

void TablesPage::atb_Fuel_OpenClick() {
    openTable(TableKind::Fuel);
}

void TablesPage::chooseBasis(CorrectionBasis basis) {
    // The settings change presses the button, journals and relabels (through its started
    // signal); a refused change leaves the buttons as the module has them.
    const ChoiceOperation operation =
        basis == CorrectionBasis::Maf ? ChoiceOperation::KorrTab_MAF : ChoiceOperation::KorrTab_VV;
    m_settings.choices().run(operation);
    showBasisButtons();
}

void TablesPage::applyBasisToPage(CorrectionBasis basis) {
    m_tables.applyBasis(basis);
    srg_VV->setVisible(basis == CorrectionBasis::InjectionTime);
    Panel_3D_Left->setText(axisCaption(basis));
    Panel_Space3D->setBasis(basis);
    showFlowFields();
}

void TablesPage::atb_KorrTab_MAFClick() {
    chooseBasis(CorrectionBasis::Maf);
}

void TablesPage::atb_KorrTab_VVClick() {
    chooseBasis(CorrectionBasis::InjectionTime);
}

void TablesPage::srb_VV_AbsClick() {
    m_tables.chooseUnit(TableUnit::Absolute);
    showFlowFields();
}

void TablesPage::srb_VV_PercClick() {
    m_tables.chooseUnit(TableUnit::Percent);
    showFlowFields();
}

void TablesPage::srb_VV_mLHClick() {
    m_tables.chooseUnit(TableUnit::Flow);
    showFlowFields();
}
