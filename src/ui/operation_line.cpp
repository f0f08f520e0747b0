#include "operation_line.h"

#include "display_throttle.h"
#include "operation_status.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QToolButton>

namespace {
// The display throttle's kind for this line.
constexpr int kThrottleKind = 3;
} // namespace

OperationLine::OperationLine(OperationStatus& status, DisplayThrottle& throttle, QWidget* parent)
    : QWidget(parent), m_status(status), m_throttle(throttle) {
    setObjectName(QStringLiteral("pnl_Operation"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    Lbl_Operation = new QLabel(this);
    Lbl_Operation->setObjectName(QStringLiteral("Lbl_Operation"));
    Lbl_Operation->setMinimumWidth(320);
    row->addWidget(Lbl_Operation, 1);
    btn_Operation_Cancel = new QToolButton(this);
    btn_Operation_Cancel->setObjectName(QStringLiteral("btn_Operation_Cancel"));
    btn_Operation_Cancel->setText(QStringLiteral("Отменить"));
    btn_Operation_Cancel->setMinimumHeight(18);
    btn_Operation_Cancel->hide();
    row->addWidget(btn_Operation_Cancel);
    // Esc cancels only while there is something to cancel; otherwise it stays the editors' key.
    m_escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_escape->setEnabled(false);

    auto cancel = [this] {
        m_status.cancel();
        show();
    };
    connect(btn_Operation_Cancel, &QToolButton::clicked, this, cancel);
    connect(m_escape, &QShortcut::activated, this, cancel);
    connect(&m_status, &OperationStatus::started, this, [this](const Message&, int, bool) {
        m_outcome = {};
        m_failed = false;
        m_throttle.show(kThrottleKind, [this] { show(); });
    });
    connect(&m_status, &OperationStatus::advanced, this,
            [this] { m_throttle.show(kThrottleKind, [this] { show(); }); });
    connect(&m_status, &OperationStatus::ended, this, [this](const Message& outcome, bool ok) {
        m_outcome = outcome;
        m_failed = !ok;
        m_throttle.show(kThrottleKind, [this] { show(); });
        m_throttle.flush(); // the end shows at once
    });
}

void OperationLine::setTexts(const InterfaceTexts& texts) {
    m_texts = texts;
    show();
}

QString OperationLine::text() const {
    return Lbl_Operation->text();
}

void OperationLine::show() {
    const bool cancellable = m_status.cancellable() && !m_status.cancelRequested();
    btn_Operation_Cancel->setVisible(cancellable);
    m_escape->setEnabled(cancellable);
    if (!m_status.running()) {
        Lbl_Operation->setText(m_outcome.isEmpty() ? QString() : m_texts.message(m_outcome));
        Lbl_Operation->setStyleSheet(m_failed ? QStringLiteral("color: rgb(180, 0, 0);")
                                              : QString());
        return;
    }
    const int total = std::max(1, m_status.total());
    Lbl_Operation->setStyleSheet(QString());
    Lbl_Operation->setText(m_texts.message(Message{
        QStringLiteral("Msg_Op_Progress"),
        {m_status.name().key, QString::number(m_status.done()), QString::number(m_status.total()),
         QString::number(m_status.done() * 100 / total)}}));
}
