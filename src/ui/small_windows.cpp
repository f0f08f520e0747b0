#include "small_windows.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TfmAbout::TfmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmAbout"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(296, 335);
    setStyleSheet(QStringLiteral("QDialog { background-color: rgb(165, 184, 179); }"));
    auto* layout = new QVBoxLayout(this);
    auto* panel = new QLabel(this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    auto* panelLayout = new QVBoxLayout(panel);
    auto* logo = new QLabel(QStringLiteral("Marvek-2"), panel);
    logo->setObjectName(QStringLiteral("Image1"));
    logo->setAlignment(Qt::AlignCenter);
    QFont font = logo->font();
    font.setPointSize(26);
    font.setBold(true);
    logo->setFont(font);
    panelLayout->addWidget(logo, 1);
    auto* version = new QLabel(QStringLiteral("версия 1.0"), panel);
    version->setObjectName(QStringLiteral("Panel_Version"));
    version->setFrameShape(QFrame::Panel);
    version->setFrameShadow(QFrame::Sunken);
    version->setAlignment(Qt::AlignCenter);
    panelLayout->addWidget(version);
    layout->addWidget(panel, 1);
    auto* ok = new QPushButton(QStringLiteral("ОК"), this);
    ok->setObjectName(QStringLiteral("atb_OK"));
    ok->setFixedSize(65, 23);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    connect(ok, &QPushButton::clicked, this, [this] {
        accept();
        emit closedWithOk();
    });
}

TfmModuOn::TfmModuOn(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmModuOn"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(300, 150);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto marquee = [this] {
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 0); // busy animation
        bar->setTextVisible(false);
        bar->setMaximumHeight(8);
        return bar;
    };
    layout->addWidget(marquee());
    sPanel1 = new QLabel(this);
    sPanel1->setObjectName(QStringLiteral("sPanel1"));
    sPanel1->setFrameShape(QFrame::Panel);
    sPanel1->setFrameShadow(QFrame::Sunken);
    sPanel1->setAlignment(Qt::AlignCenter);
    sPanel1->setWordWrap(true);
    layout->addWidget(sPanel1, 1);
    layout->addWidget(marquee());
    // Runs for the whole life of the window; a tick closes the notice if it is up.
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(3000);
    connect(&Timer1, &QTimer::timeout, this, [this] {
        if (isVisible())
            accept();
    });
    Timer1.start();
}

void TfmModuOn::announce(const QString& title, const QString& text) {
    setWindowTitle(title);
    sPanel1->setText(text);
    open();
}

QString TfmModuOn::noticeText() const {
    return sPanel1->text();
}
