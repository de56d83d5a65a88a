#include "SimPortsFile.h"

#include "shell/TextFile.h"

#include <QFile>
#include <QRegularExpression>

bool WritePortToPortsFile(const QString& path, int port, const QString& devicePath, QString* error)
{
    QStringList lines;
    QFile file(path);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly)) {
            if (error)
                *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
            return false;
        }
        lines = QString::fromUtf8(file.readAll()).split(QRegularExpression(QStringLiteral("\r?\n")));
        file.close();
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
    }
    const QString entry = QString::number(port) + QLatin1Char('=') + devicePath;
    const QRegularExpression sameKey(QStringLiteral("^\\s*%1\\s*=").arg(port));
    int section = -1;
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].trimmed().compare(QLatin1String("[Ports]"), Qt::CaseInsensitive) == 0) {
            section = i;
            break;
        }
    if (section < 0) {
        lines << QStringLiteral("[Ports]") << entry;
    } else {
        int i = section + 1;
        bool replaced = false;
        for (; i < lines.size() && !lines[i].trimmed().startsWith(QLatin1Char('[')); ++i)
            if (sameKey.match(lines[i]).hasMatch()) {
                lines[i] = entry;
                replaced = true;
                break;
            }
        if (!replaced) {
            // After the section's last entry, before any blank lines that end it.
            int at = i;
            while (at > section + 1 && lines[at - 1].trimmed().isEmpty())
                --at;
            lines.insert(at, entry);
        }
    }
    if (!WriteFileAtomically(path, (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8())) {
        if (error)
            *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    return true;
}
