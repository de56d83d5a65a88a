#include "TextFile.h"

#include "AppPaths.h"
#include "SessionLog.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool WriteLineToFile(const AppPaths& paths, SessionLog* log, const QString& path, const QString& line,
    bool overwrite, bool verbose)
{
    const QString full = paths.resolve(path);
    // O_NOFOLLOW: a link in a data file's place is not written through (its
    // target could be any file of the user's). O_NONBLOCK: a FIFO fails the
    // open instead of blocking until some program reads it.
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC
        | (overwrite ? O_TRUNC : O_APPEND);
    const int fd = ::open(QFile::encodeName(full).constData(), flags, 0666);
    if (fd < 0 && errno == ELOOP && log)
        log->debugMessage(QStringLiteral("Not written: ") + full + QStringLiteral(" is a link"), SessionLog::Problem);
    bool ok = fd >= 0;
    struct stat info {};
    ok = ok && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);   // a device is not written either
    const QByteArray bytes = (line + QStringLiteral("\r\n")).toUtf8();
    for (qsizetype done = 0; ok && done < bytes.size();) {
        const ssize_t wrote = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        ok = wrote > 0;
        done += ok ? wrote : 0;
    }
    if (fd >= 0)
        ok = ::close(fd) == 0 && ok;
    if (log && verbose) {
        log->debugMessage(QStringLiteral("Data written to ") + full + QStringLiteral(":"), SessionLog::Info);
        log->debugMessage(QStringLiteral("\t\"") + line + QStringLiteral("\""), SessionLog::Info);
    }
    return ok;
}

bool WriteFileAtomically(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // commit() does not report a failed final flush, so flush first: a full
    // disk must not rename a short temporary over the old file.
    if (file.write(content) != content.size() || !file.flush())
        return false;
    return file.commit();
}
