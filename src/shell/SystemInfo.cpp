#include "SystemInfo.h"
#include "Bits.h"
#include "SessionLog.h"

#include <QDir>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryFile>
#include <optional>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

constexpr int kLastFolderId = 0x003D;   // highest folder number the platform knows
constexpr int kCreateFlag = 0x8000;     // "create if missing", always applied here

std::optional<QStandardPaths::StandardLocation> locationFor(int folderId)
{
    switch (folderId) {
    case FolderId::Desktop:
    case 0x0010: return QStandardPaths::DesktopLocation;
    case FolderId::Documents: return QStandardPaths::DocumentsLocation;
    case 0x000D: return QStandardPaths::MusicLocation;
    case 0x000E: return QStandardPaths::MoviesLocation;
    case FolderId::AppData:
    case FolderId::LocalAppData: return QStandardPaths::GenericDataLocation;
    case 0x0020: return QStandardPaths::GenericCacheLocation;
    case FolderId::Pictures: return QStandardPaths::PicturesLocation;
    case FolderId::Profile: return QStandardPaths::HomeLocation;
    }
    return std::nullopt;
}

} // namespace

int GetDir(SessionLog& log, int folderId, QString& path)
{
    path.clear();
    const int id = folderId & ~kCreateFlag;
    const QString call = QStringLiteral("SHGetFolderPath( ..., 0x") + HexL(id, 4);
    if (id < 0 || id > kLastFolderId) {
        log.debugMessage(call + QStringLiteral(",... ) is an invalid CSIDL."), SessionLog::Warning);
        return -2;
    }
    const auto location = locationFor(id);
    const QString found = location ? QStandardPaths::writableLocation(*location) : QString();
    if (found.isEmpty() || !QDir().mkpath(found)) {
        log.debugMessage(call + QStringLiteral(",... ) returned FALSE."), SessionLog::Warning);
        return -1;
    }
    path = QDir::toNativeSeparators(found);
    return 0;
}

QString WinDir() { return qEnvironmentVariable("WINDIR"); }

QString UsrDir()
{
    const QString profile = qEnvironmentVariable("USERPROFILE");
    return profile.isEmpty() ? QDir::toNativeSeparators(QDir::homePath()) : profile;
}

QString MyDocsDir()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? UsrDir() : QDir::toNativeSeparators(documents);
}

QString GetUserName()
{
#ifdef Q_OS_UNIX
    if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
#endif
    for (const char* variable : {"USERNAME", "USER", "LOGNAME"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name;
    }
    return {};
}

QString GetComputerName() { return QSysInfo::machineHostName(); }

QString GetLocationCode(const QLocale& locale)
{
    if (locale.language() == QLocale::C)
        return QStringLiteral("en-US");
    return QLocale::languageToCode(locale.language()) + QLatin1Char('-')
        + QLocale::territoryToCode(locale.territory());
}

QString FieldSeparator(const QLocale& locale)
{
    return locale.decimalPoint() == QStringLiteral(",") ? QStringLiteral(";") : QStringLiteral(",");
}

QString TemporaryFolder() { return QDir::toNativeSeparators(QDir::tempPath()); }

QString TemporaryFileName(const QString& folder, const QString& prefix)
{
    const QString base = folder.isEmpty() ? QDir::tempPath() : folder;
    QTemporaryFile file(QDir(base).filePath(prefix + QStringLiteral("XXXXXX.tmp")));
    file.setAutoRemove(false);
    if (!file.open())
        return {};
    return QDir::toNativeSeparators(file.fileName());
}

QString CompactPath(const QString& path, int maxChars)
{
    if (path.size() <= maxChars)
        return path;
    if (maxChars <= 0)
        return {};
    const QString ellipsis = QStringLiteral("…");
    const qsizetype lastSeparator = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const QString tail = path.mid(lastSeparator);  // the file name with its separator
    const qsizetype headRoom = maxChars - ellipsis.size() - tail.size();
    if (lastSeparator < 0 || headRoom < 0) {
        const QString name = path.mid(lastSeparator + 1);
        return name.size() <= maxChars ? name : name.left(maxChars - ellipsis.size()) + ellipsis;
    }
    return path.left(headRoom) + ellipsis + tail;
}
