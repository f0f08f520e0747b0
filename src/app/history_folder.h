#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// Timestamped copies of what was read from or written to the module (tables, the curve, dumps),
// each in the ordinary file format of its kind, in a History folder beside the configuration
// files: History/<kind>/<date>_<time>_<what><suffix>. The newest 200 of each kind are kept.
inline constexpr int kHistoryLimit = 200;

struct HistoryEntry {
    QString path;
    QDateTime time; // local time of the copy, to the millisecond
    QString what;   // "read", "write", "dump", "restore"
    bool operator==(const HistoryEntry&) const = default;
};

class HistoryFolder {
public:
    // root: the History folder itself (created on the first copy).
    explicit HistoryFolder(QString root = {}) : m_root(std::move(root)) {}
    const QString& root() const { return m_root; }
    bool isSet() const { return !m_root.isEmpty(); }

    // Writes the lines (CR LF, Windows-1251, atomically) as a new entry of the kind and removes
    // the oldest entries beyond the limit. Returns an error naming the file, or empty.
    [[nodiscard]] QString store(const QString& kind, const QString& what, const QString& suffix,
                                const QStringList& lines,
                                const QDateTime& when = QDateTime::currentDateTime()) const;
    // The kind's entries, newest first.
    QList<HistoryEntry> entries(const QString& kind) const;

private:
    QString m_root;
};
