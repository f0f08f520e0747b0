#include "link_check_window.h"

#include "display_throttle.h"
#include "languages.h"
#include "link_check.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// Column keys of the figures table, in order.
const char* const kColumns[] = {
    "Msg_LinkCheck_Answers",   "Msg_LinkCheck_Min",  "Msg_LinkCheck_Median", "Msg_LinkCheck_Max",
    "Msg_LinkCheck_Malformed", "Msg_LinkCheck_Late", "Msg_LinkCheck_Missing"};

} // namespace

TfmLinkCheck::TfmLinkCheck(LinkCheck& check, QWidget* parent) : QDialog(parent), m_check(check) {
    setObjectName(QStringLiteral("fmLinkCheck"));
    setMinimumWidth(780);
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(this);
    hint->setObjectName(QStringLiteral("Lbl_LinkCheck_Hint"));
    hint->setWordWrap(true);
    layout->addWidget(hint);
    layout->addLayout(buildCountRow());
    pb_LinkCheck = new QProgressBar(this);
    pb_LinkCheck->setObjectName(QStringLiteral("pb_LinkCheck"));
    pb_LinkCheck->setValue(0);
    layout->addWidget(pb_LinkCheck);
    sgrid_LinkCheck = new QTableWidget(2, int(std::size(kColumns)), this);
    sgrid_LinkCheck->setObjectName(QStringLiteral("sgrid_LinkCheck"));
    sgrid_LinkCheck->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgrid_LinkCheck->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    sgrid_LinkCheck->horizontalHeader()->setStretchLastSection(true);
    sgrid_LinkCheck->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    sgrid_LinkCheck->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    sgrid_LinkCheck->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(sgrid_LinkCheck);
    Lbl_LinkCheck_Verdict = new QLabel(this);
    Lbl_LinkCheck_Verdict->setObjectName(QStringLiteral("Lbl_LinkCheck_Verdict"));
    Lbl_LinkCheck_Verdict->setWordWrap(true);
    layout->addWidget(Lbl_LinkCheck_Verdict);
    btn_LinkCheck_UseFast = new QPushButton(this);
    btn_LinkCheck_UseFast->setObjectName(QStringLiteral("btn_LinkCheck_UseFast"));
    btn_LinkCheck_UseFast->setEnabled(false);
    layout->addWidget(btn_LinkCheck_UseFast, 0, Qt::AlignLeft);
    layout->addStretch(1);

    connect(btn_LinkCheck_Start, &QPushButton::clicked, this, &TfmLinkCheck::start);
    connect(btn_LinkCheck_Cancel, &QPushButton::clicked, &m_check, &LinkCheck::cancel);
    connect(btn_LinkCheck_UseFast, &QPushButton::clicked, this, [this] {
        btn_LinkCheck_UseFast->setEnabled(false);
        emit useFastTransfers();
    });
    // At most every 50 ms: a repaint per answer would lengthen the answer times measured.
    m_throttle = new DisplayThrottle(50, this);
    connect(&m_check, &LinkCheck::progress, this, [this](int done, int total) {
        m_throttle->show(0, [this, done, total] {
            pb_LinkCheck->setRange(0, total);
            pb_LinkCheck->setValue(done);
        });
    });
    connect(&m_check, &LinkCheck::finished, this, &TfmLinkCheck::showReport);
}

QString TfmLinkCheck::text(const char* key) const {
    return m_texts ? m_texts->text(QString::fromLatin1(key)) : QString();
}

// The number of reads and the start and cancel buttons.
QLayout* TfmLinkCheck::buildCountRow() {
    auto* row = new QHBoxLayout;
    auto* countLabel = new QLabel(this);
    countLabel->setObjectName(QStringLiteral("Lbl_LinkCheck_Count"));
    row->addWidget(countLabel);
    Ed_LinkCheck_Count = new QSpinBox(this);
    Ed_LinkCheck_Count->setObjectName(QStringLiteral("Ed_LinkCheck_Count"));
    Ed_LinkCheck_Count->setRange(1, LinkCheck::MaxCount);
    Ed_LinkCheck_Count->setValue(LinkCheck::DefaultCount);
    row->addWidget(Ed_LinkCheck_Count);
    btn_LinkCheck_Start = new QPushButton(this);
    btn_LinkCheck_Start->setObjectName(QStringLiteral("btn_LinkCheck_Start"));
    row->addWidget(btn_LinkCheck_Start);
    btn_LinkCheck_Cancel = new QPushButton(this);
    btn_LinkCheck_Cancel->setObjectName(QStringLiteral("btn_LinkCheck_Cancel"));
    btn_LinkCheck_Cancel->setEnabled(false);
    row->addWidget(btn_LinkCheck_Cancel);
    row->addStretch(1);
    return row;
}

void TfmLinkCheck::setTexts(const InterfaceTexts& texts) {
    m_texts = &texts;
    setWindowTitle(text("Msg_LinkCheck_Title"));
    findChild<QLabel*>(QStringLiteral("Lbl_LinkCheck_Hint"))
        ->setText(text("Msg_LinkCheck_Hint").arg(LinkCheck::Commands().size()));
    findChild<QLabel*>(QStringLiteral("Lbl_LinkCheck_Count"))->setText(text("Msg_LinkCheck_Count"));
    btn_LinkCheck_Start->setText(text("Msg_LinkCheck_Start"));
    btn_LinkCheck_Cancel->setText(text("Msg_LinkCheck_Cancel"));
    btn_LinkCheck_UseFast->setText(text("Msg_LinkCheck_UseFast"));
    QStringList headers;
    for (const char* key : kColumns)
        headers << text(key);
    sgrid_LinkCheck->setHorizontalHeaderLabels(headers);
    sgrid_LinkCheck->setVerticalHeaderLabels(
        {text("Msg_LinkCheck_Default"), text("Msg_LinkCheck_Fast")});
}

void TfmLinkCheck::start() {
    sgrid_LinkCheck->clearContents();
    btn_LinkCheck_UseFast->setEnabled(false);
    pb_LinkCheck->setValue(0);
    if (!m_check.startCheck(Ed_LinkCheck_Count->value())) {
        Lbl_LinkCheck_Verdict->setText(text("Msg_LinkCheck_NotNow"));
        return;
    }
    Lbl_LinkCheck_Verdict->setText(text("Msg_LinkCheck_Running"));
    btn_LinkCheck_Start->setEnabled(false);
    btn_LinkCheck_Cancel->setEnabled(true);
}

void TfmLinkCheck::showReport(bool complete, const QString& stoppedAt) {
    m_throttle->flush();
    btn_LinkCheck_Start->setEnabled(true);
    btn_LinkCheck_Cancel->setEnabled(false);
    const LinkCheckReport& report = m_check.report();
    const QLocale locale;
    int row = 0;
    for (const LinkTimingFigures* f : {&report.normal, &report.fast}) {
        const QStringList cells{QString::number(f->reads),
                                locale.toString(f->minMs, 'f', 1),
                                locale.toString(f->medianMs, 'f', 1),
                                locale.toString(f->maxMs, 'f', 1),
                                QString::number(f->malformed),
                                QString::number(f->late),
                                QString::number(f->missing)};
        for (int c = 0; c < cells.size(); ++c)
            sgrid_LinkCheck->setItem(row, c, new QTableWidgetItem(cells.at(c)));
        ++row;
    }
    if (!complete) {
        Lbl_LinkCheck_Verdict->setText(text("Msg_LinkCheck_Stopped").arg(stoppedAt));
        return;
    }
    const bool safe = report.fastIsSafe();
    Lbl_LinkCheck_Verdict->setText(text(
        safe ? "Msg_LinkCheck_FastSafe"
             : (report.sameBytes() ? "Msg_LinkCheck_FastFaults" : "Msg_LinkCheck_FastDiffers")));
    btn_LinkCheck_UseFast->setEnabled(safe);
}
