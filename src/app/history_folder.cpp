#include "history_folder.h"

#include "text_file.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz");
constexpr int kTimeLength = 23; // the length of a name's time part

} // namespace

QString HistoryFolder::store(const QString& kind, const QString& what, const QString& suffix,
                             const QStringList& lines, const QDateTime& when) const {
    if (m_root.isEmpty())
        return {};
    QDir folder(m_root + QLatin1Char('/') + kind);
    if (!folder.mkpath(QStringLiteral(".")))
        return QStringLiteral("The folder %1 cannot be created.").arg(folder.path());
    const QString stem = when.toString(kTimeFormat) + QLatin1Char('_') + what;
    QString name = stem + suffix;
    // Two copies within the same millisecond keep both.
    for (int n = 2; folder.exists(name); ++n)
        name = stem + QLatin1Char('-') + QString::number(n) + suffix;
    if (QString error = WriteTextFile(folder.filePath(name), lines); !error.isEmpty())
        return error;
    const QList<HistoryEntry> all = entries(kind);
    for (qsizetype i = kHistoryLimit; i < all.size(); ++i)
        QFile::remove(all.at(i).path);
    return {};
}

QList<HistoryEntry> HistoryFolder::entries(const QString& kind) const {
    QList<HistoryEntry> out;
    if (m_root.isEmpty())
        return out;
    const QDir folder(m_root + QLatin1Char('/') + kind);
    // Names start with the time, so the reverse name order is newest first.
    const QStringList names = folder.entryList(QDir::Files, QDir::Name | QDir::Reversed);
    for (const QString& name : names) {
        const QDateTime time = QDateTime::fromString(name.left(kTimeLength), kTimeFormat);
        if (!time.isValid() || name.size() <= kTimeLength + 1)
            continue; // not a copy of ours
        QString what = name.mid(kTimeLength + 1);
        what = what.left(what.indexOf(QRegularExpression(QStringLiteral("[^a-z]"))));
        out.append({folder.filePath(name), time, what});
    }
    return out;
}
