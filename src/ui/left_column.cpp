#include "left_column.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStackedLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A simple picture for a page button: the first letters of its caption on a coloured tile.
QIcon pageIcon(const QString& caption, const QColor& colour) {
    QPixmap pixmap(56, 56);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(colour.darker(150));
    painter.drawRoundedRect(QRectF(2, 2, 52, 52), 8, 8);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(22);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, caption.left(2));
    return QIcon(pixmap);
}

QToolButton* toolButton(const char* name, const QString& text, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(text);
    return button;
}

} // namespace

LeftColumn::LeftColumn(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("sPanel_Left"));
    setFixedWidth(170);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    buildConnection(layout);
    Edit5 = new QLineEdit(this);
    Edit5->setObjectName(QStringLiteral("Edit5"));
    Edit5->hide();
    Edit6 = new QLineEdit(this);
    Edit6->setObjectName(QStringLiteral("Edit6"));
    Edit6->hide();

    auto* console = new QHBoxLayout;
    Ed_Peredat = new QLineEdit(this);
    Ed_Peredat->setObjectName(QStringLiteral("Ed_Peredat"));
    atb_Seans = toolButton("atb_Seans", QStringLiteral("Передать"), this);
    console->addWidget(Ed_Peredat, 1);
    console->addWidget(atb_Seans);
    layout->addLayout(console);

    scbx_LangDriver = new QComboBox(this);
    scbx_LangDriver->setObjectName(QStringLiteral("scbx_LangDriver"));
    // The list keeps the system's highlight, so the hovered language stays readable.
    scbx_LangDriver->setStyleSheet(
        QStringLiteral("QComboBox { background: white; color: black; }"
                       "QComboBox QAbstractItemView { background: white; color: black; "
                       "selection-background-color: palette(highlight); selection-color: "
                       "palette(highlighted-text); }"));
    layout->addWidget(scbx_LangDriver);

    layout->addWidget(buildPageButtons());
    layout->addStretch(1);
}

// The connect and disconnect buttons in one place, and the port boxes.
void LeftColumn::buildConnection(QVBoxLayout* layout) {
    // Connect and disconnect share one place.
    auto* onOff = new QWidget(this);
    onOff->setObjectName(QStringLiteral("spnl_2012_On_Off"));
    auto* onOffLayout = new QStackedLayout(onOff);
    atb_2012_B_ModuleOn = toolButton("atb_2012_B_ModuleOn", QStringLiteral("Подключить"), onOff);
    atb_2012_B_ModuleOff = toolButton("atb_2012_B_ModuleOff", QStringLiteral("Отключить"), onOff);
    for (QToolButton* b : {atb_2012_B_ModuleOn, atb_2012_B_ModuleOff}) {
        b->setMinimumHeight(32);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        onOffLayout->addWidget(b);
    }

    // The port boxes lie on each other; the user sees and uses the skinned one.
    auto* ports = new QWidget(this);
    auto* portsLayout = new QStackedLayout(ports);
    portsLayout->setStackingMode(QStackedLayout::StackOne);
    cbPort = new QComboBox(ports);
    cbPort->setObjectName(QStringLiteral("cbPort"));
    scb_COM_port = new QComboBox(ports);
    scb_COM_port->setObjectName(QStringLiteral("scb_COM_port"));
    scb_COM_port->setEditable(true); // a device path may be typed
    scb_COM_port->setInsertPolicy(QComboBox::NoInsert);
    portsLayout->addWidget(scb_COM_port);
    portsLayout->addWidget(cbPort);
    portsLayout->setCurrentWidget(scb_COM_port);

    layout->addWidget(onOff);
    layout->addWidget(ports);
}

QWidget* LeftColumn::buildPageButtons() {
    // Eight page buttons in two columns, each with its caption strip.
    auto* pagesPanel = new QWidget(this);
    pagesPanel->setObjectName(QStringLiteral("sPanel4"));
    auto* grid = new QGridLayout(pagesPanel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(0);
    pageGroup = new QButtonGroup(this);
    pageGroup->setExclusive(true);
    struct PageButton {
        QToolButton** button;
        const char* name;
        const char* strip;
        QString caption;
        QColor colour;
    };
    const PageButton buttons[] = {
        {&atb_2012_Graph, "atb_2012_Graph", "Panel47", QStringLiteral("График"),
         QColor(0, 110, 160)},
        {&atb_2012_Emulator, "atb_2012_Emulator", "Panel48", QStringLiteral("Эмулятор"),
         QColor(150, 90, 0)},
        {&atb_2012_Water, "atb_2012_Water", "Panel49", QStringLiteral("Вода"), QColor(0, 90, 200)},
        {&atb_2012_Fuel, "atb_2012_Fuel", "Panel50", QStringLiteral("Топливо"), QColor(190, 60, 0)},
        {&atb_2012_Settings, "atb_2012_Settings", "Panel51", QStringLiteral("Настройки"),
         QColor(70, 110, 70)},
        {&atb_2012_Shablon, "atb_2012_Shablon", "Panel52", QStringLiteral("Шаблон"),
         QColor(110, 90, 140)},
        {&atb_2012_Protocol, "atb_2012_Protocol", "Panel53", QStringLiteral("Протокол"),
         QColor(90, 90, 90)},
        {&atb_2012_Ingener, "atb_2012_Ingener", "Panel54", QStringLiteral("Инженер"),
         QColor(140, 40, 40)},
    };
    for (int i = 0; i < 8; ++i) {
        const PageButton& p = buttons[i];
        auto* button = toolButton(p.name, QString(), pagesPanel);
        button->setIcon(pageIcon(p.caption, p.colour));
        m_pageIcons.append({button, p.colour});
        button->setIconSize(QSize(56, 56));
        button->setFixedSize(76, 72);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        auto* strip = new QLabel(p.caption, pagesPanel);
        strip->setObjectName(QLatin1String(p.strip));
        strip->setFixedSize(76, 22);
        strip->setAlignment(Qt::AlignCenter);
        strip->setFrameShape(QFrame::Panel);
        strip->setFrameShadow(QFrame::Raised);
        const int column = i % 2, row = (i / 2) * 2;
        grid->addWidget(button, row, column);
        grid->addWidget(strip, row + 1, column);
        if (p.button != &atb_2012_Shablon) {
            button->setCheckable(true);
            pageGroup->addButton(button);
        }
        *p.button = button;
        m_pageIcons.last().strip = strip;
    }
    return pagesPanel;
}

void LeftColumn::showConnectButton(bool connectInFront) {
    auto* stack = static_cast<QStackedLayout*>(atb_2012_B_ModuleOn->parentWidget()->layout());
    stack->setCurrentWidget(connectInFront ? atb_2012_B_ModuleOn : atb_2012_B_ModuleOff);
}

bool LeftColumn::connectButtonInFront() const {
    auto* stack = static_cast<QStackedLayout*>(atb_2012_B_ModuleOn->parentWidget()->layout());
    return stack->currentWidget() == atb_2012_B_ModuleOn;
}

void LeftColumn::refreshPageIcons() {
    for (const PageIcon& icon : std::as_const(m_pageIcons))
        icon.button->setIcon(pageIcon(icon.strip->text(), icon.colour));
}

void LeftColumn::showPorts(const QStringList& ports) {
    const QString selected = cbPort->currentText();
    const int index = cbPort->currentIndex();
    cbPort->clear();
    cbPort->addItems(ports);
    // The selection follows its port where it is still listed, else stays at its position.
    const int same = cbPort->findText(selected);
    cbPort->setCurrentIndex(
        !selected.isEmpty() && same >= 0 ? same : (index < cbPort->count() ? index : -1));
}

void LeftColumn::mirrorPortBox() {
    const QSignalBlocker block(scb_COM_port);
    scb_COM_port->clear();
    for (int i = 0; i < cbPort->count(); ++i)
        scb_COM_port->addItem(cbPort->itemText(i));
    scb_COM_port->setCurrentIndex(cbPort->currentIndex());
    scb_COM_port->setEditText(cbPort->currentText());
}
