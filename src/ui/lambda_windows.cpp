#include "lambda_windows.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

LambdaWindow::LambdaWindow(LambdaConfirmation which, QWidget* parent)
    : QDialog(parent), m_which(which) {
    const bool on = which == LambdaConfirmation::SwitchOn;
    setObjectName(on ? QStringLiteral("TfmLambdaOn") : QStringLiteral("TfmLambdaOff"));
    if (on)
        setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(on ? QSize(489, 99) : QSize(458, 102));
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(190, 203, 200));
    setPalette(background);

    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    QFont labelFont = Label1->font();
    labelFont.setPixelSize(13);
    Label1->setFont(labelFont);
    Label1->setText(on ? QStringLiteral("Таблица привязки будет стерта ! Обучение продлится  около "
                                        "3-х часов. Продолжить?")
                       : QStringLiteral("Таблица привязки лямда возможно незаполнена. Прервать "
                                        "режим обучения Лямбда?"));
    layout->addWidget(Label1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    atb_OK = new QToolButton(this);
    atb_OK->setObjectName(QStringLiteral("atb_OK"));
    atb_OK->setText(QStringLiteral("ОК"));
    atb_Cancel = new QToolButton(this);
    atb_Cancel->setObjectName(QStringLiteral("atb_Cancel"));
    atb_Cancel->setText(QStringLiteral("Отмена"));
    for (QToolButton* b : {atb_OK, atb_Cancel}) {
        b->setFixedSize(65, 33);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(atb_OK, &QToolButton::clicked, this, &QDialog::accept);
    connect(atb_Cancel, &QToolButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::finished, this,
            [this](int result) { emit answered(m_which, result == QDialog::Accepted); });
}

void LambdaWindow::ask(const LambdaConfirmationTexts& texts) {
    if (!texts.caption.isEmpty())
        setWindowTitle(texts.caption);
    if (!texts.label.isEmpty())
        Label1->setText(texts.label);
    if (!texts.ok.isEmpty())
        atb_OK->setText(texts.ok);
    if (!texts.cancel.isEmpty())
        atb_Cancel->setText(texts.cancel);
    setWindowModality(Qt::ApplicationModal);
    open();
}
