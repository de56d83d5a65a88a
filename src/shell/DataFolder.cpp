#include "DataFolder.h"

#include <QDir>
#include <QStandardPaths>

QString PerUserDataLocation()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

DataFolderChoice ChooseDataFolder(const QString& appFolder, const QString& dataLocation)
{
    if (!dataLocation.isEmpty()) {
        const QString folder = QDir(dataLocation).filePath(QStringLiteral("Karvex/Tolvi"));
        if (QDir().mkpath(folder))
            return {QDir::cleanPath(folder), true};
    }
    return {appFolder, false};
}
