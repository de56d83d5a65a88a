#include "StartupFiles.h"

#include "AppPaths.h"
#include "TextFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool createWhenMissing(const QString& path, const char* heading)
{
    if (QFileInfo::exists(path))
        return true;
    return WriteFileAtomically(path, QByteArray(heading) + "\r\n");
}

} // namespace

QString AppSettingsPath(const AppPaths& paths)
{
    return QDir(paths.dataFolder).filePath(QStringLiteral("app.txt"));
}

QString UserSettingsPath(const AppPaths& paths)
{
    return QDir(paths.dataFolder).filePath(QStringLiteral("user.txt"));
}

bool CreateSettingsFiles(const AppPaths& paths)
{
    const bool app = createWhenMissing(AppSettingsPath(paths), "; === Application Settings ===");
    const bool user = createWhenMissing(UserSettingsPath(paths), "; === User Settings ===");
    return app && user;
}
