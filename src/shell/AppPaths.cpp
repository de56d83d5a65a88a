#include "AppPaths.h"

#include <QDir>
#include <QFileInfo>

QString AppPaths::resolve(const QString& path) const
{
    if (!QDir::isRelativePath(path))
        return path;
    const QFileInfo app(appFolder);
    const QString base = (!appFolder.isEmpty() && app.isDir() && app.isWritable()) ? appFolder : dataFolder;
    return QDir(base).filePath(path);
}
