#include "SimPortsFile.h"

#include "link/SettingsStore.h"
#include "shell/TextFile.h"

#include <QFileInfo>

bool WritePortToPortsFile(const QString& path, int port, const QString& devicePath, QString* error)
{
    // The settings store writes only into a file that exists.
    if (!QFileInfo::exists(path) && !WriteFileAtomically(path, QByteArray())) {
        if (error)
            *error = QStringLiteral("cannot create %1").arg(path);
        return false;
    }
    if (StoreWrite(path, QStringLiteral("Ports"), QString::number(port), QStringLiteral("S"), devicePath) != 1) {
        if (error)
            *error = QStringLiteral("cannot enter port %1 in %2").arg(port).arg(path);
        return false;
    }
    return true;
}
