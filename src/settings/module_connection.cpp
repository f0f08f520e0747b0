#include "module_connection.h"

#include "com_port.h"
#include "connect_read.h"
#include "journal_sink.h"

#include <QFileInfo>

ModuleConnection::ModuleConnection(TBComPort& port, TransactionEngine& engine,
                                   ModuleSettingsModel& model, JournalSink& journal,
                                   QObject* parent)
    : QObject(parent), m_port(port), m_journal(journal),
      m_read(std::make_unique<ConnectRead>(engine, model)), m_watcher([this] {
          QStringList ports = listPorts();
          ports.sort();
          return ports;
      }) {
    connect(&m_watcher, &PortWatcher::portArrived, this, [this](const QString& name) {
        m_journal.Append(QStringLiteral("новый порт: ") + name);
        emit portArrived(name);
    });
    connect(&m_watcher, &PortWatcher::portRemoved, this, &ModuleConnection::portRemoved);
    connect(&m_watcher, &PortWatcher::portsChanged, this, &ModuleConnection::portsChanged);
    connect(&m_watcher, &PortWatcher::listFailed, this, &ModuleConnection::listFailed);
    connect(m_read.get(), &ConnectRead::noAnswer, this, [this] {
        setState(State::NoAnswer);
        emit noAnswer();
    });
    connect(m_read.get(), &ConnectRead::identified, this, [this](const QString& name) {
        setState(State::Identified);
        emit identified(name);
    });
    connect(m_read.get(), &ConnectRead::foreignModule, this, [this](const QString& name) {
        setState(State::Foreign);
        emit foreignModule(name);
    });
    connect(m_read.get(), &ConnectRead::unidentified, this, [this] {
        setState(State::Unidentified);
        emit unidentified(m_read->readErrors());
    });
    connect(&m_port, &ModulePort::PortLost, this, &ModuleConnection::onPortLost);
}

ModuleConnection::~ModuleConnection() = default;

QStringList ModuleConnection::listPorts() {
    QStringList ports;
    TBComPort::ListSerialPorts(ports);
    m_listedCount = int(ports.size());
    for (const QString& typed : std::as_const(m_typedPorts)) {
        if (QFileInfo::exists(typed) && !ports.contains(typed))
            ports.append(typed);
    }
    return ports;
}

void ModuleConnection::addTypedPort(const QString& path) {
    if (!path.isEmpty() && !m_typedPorts.contains(path))
        m_typedPorts.append(path);
}

void ModuleConnection::watchPorts(const QStringList& known, int intervalMs) {
    QStringList sorted = known;
    sorted.sort();
    m_watcher.setKnownPorts(sorted);
    m_watcher.start(intervalMs);
}

std::optional<EComPort> ModuleConnection::connectTo(const QString& portName) {
    try {
        // After a module error the port is still open: connecting again starts afresh.
        if (m_port.Connected())
            m_port.ClosePort();
        m_port.setPort(portName);
        m_port.OpenPort();
    } catch (const EComPort& e) {
        return e;
    }
    setState(State::Connecting);
    m_read->startRead();
    return std::nullopt;
}

bool ModuleConnection::closePort() {
    m_port.ClosePort();
    if (m_port.Connected())
        return false;
    setState(State::Disconnected);
    return true;
}

QString ModuleConnection::LostPortMessageKey(const QString& reason) {
    if (reason == QString::fromUtf8(ComPortMessages::ReadFailed))
        return QStringLiteral("Msg_PortLostReading");
    if (reason == QString::fromUtf8(ComPortMessages::WriteFailed))
        return QStringLiteral("Msg_PortLostWriting");
    return {};
}

void ModuleConnection::setState(State state) {
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void ModuleConnection::onPortLost(const QString& reason) {
    m_journal.Append(reason + QStringLiteral(": ") + m_port.Port());
    setState(State::Lost);
    emit portLost(reason, m_port.Port());
}
