#include "pty_module.h"

namespace sim {

PtyModule::PtyModule(QObject* parent) : QObject(parent) {
    connect(&m_module, &Module::answerReady, this, &PtyModule::send);
    m_retry.setSingleShot(true);
    m_retry.setInterval(50);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        if (m_notifier)
            m_notifier->setEnabled(true);
    });
}

PtyModule::~PtyModule() {
    m_notifier.reset();
    posix::closePty(&m_pty);
}

bool PtyModule::start(QString* error) {
    if (isRunning())
        return true;
    if (!posix::openPty(&m_pty, error))
        return false;
    m_notifier = std::make_unique<QSocketNotifier>(m_pty.master, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &PtyModule::onReadable);
    return true;
}

void PtyModule::unplug() {
    if (!isRunning())
        return;
    m_retry.stop();
    m_notifier.reset();
    posix::closePty(&m_pty);
    emit unplugged();
}

void PtyModule::onReadable() {
    QByteArray bytes;
    char buffer[512];
    qint64 n = 0;
    while ((n = posix::readSome(m_pty.master, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, n);
    if (n < 0 && bytes.isEmpty()) {
        // No slave open at the moment (should not happen while we hold one): wait a little.
        m_notifier->setEnabled(false);
        m_retry.start();
        return;
    }
    if (bytes.isEmpty())
        return;
    emit received(bytes);
    m_module.receive(bytes);
}

void PtyModule::send(const QByteArray& chunk) {
    if (isRunning())
        posix::writeAll(m_pty.master, chunk);
}

} // namespace sim
