#include "pages.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

QWidget* namedWidget(const char* name, QWidget* parent) {
    auto* w = new QWidget(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace

ProtocolPage::ProtocolPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel_Protocol"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    MemoProtocol = new QPlainTextEdit(this);
    MemoProtocol->setObjectName(QStringLiteral("MemoProtocol"));
    MemoProtocol->setStyleSheet(QStringLiteral("background-color: rgb(211, 209, 192);"));
    MemoProtocol->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(MemoProtocol, 1);
    auto* ask = namedWidget("Panel_Protocol_Ask", this);
    auto* askLayout = new QHBoxLayout(ask);
    cb_Protocol_Ask =
        new QCheckBox(QStringLiteral("Сохранить файл протокола перед закрытием программы"), ask);
    cb_Protocol_Ask->setObjectName(QStringLiteral("cb_Protocol_Ask"));
    askLayout->addWidget(cb_Protocol_Ask);
    askLayout->addStretch(1);
    layout->addWidget(ask);
}
