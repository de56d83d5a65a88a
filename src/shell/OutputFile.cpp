#include "OutputFile.h"

#include "TextFile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <optional>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How long a FIFO may go without a reader, and a device or pipe without room
// for the next bytes, before the write is given up.
constexpr int kReaderWaitMs = 10000;
constexpr int kRoomWaitMs = 60000;
constexpr int kReaderPollMs = 50;

std::optional<struct stat> statOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return info;
}

// A FIFO without a reader refuses a non-blocking open (ENXIO): ask again
// until a reader comes or the wait is over.
int openForWriting(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    QDeadlineTimer readerWait(kReaderWaitMs);
    for (;;) {
        const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0 || errno != ENXIO || readerWait.hasExpired())
            return fd;
        QThread::msleep(kReaderPollMs);
    }
}

// Writes all of content to a descriptor that may be non-blocking, waiting
// for room a bounded time each time none is left.
bool writeAll(int fd, const QByteArray& content)
{
    qsizetype done = 0;
    while (done < content.size()) {
        const ssize_t written = ::write(fd, content.constData() + done, size_t(content.size() - done));
        if (written > 0) {
            done += written;
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        pollfd room{fd, POLLOUT, 0};
        if (::poll(&room, 1, kRoomWaitMs) <= 0 || (room.revents & (POLLERR | POLLHUP)))
            return false;
    }
    return true;
}

bool writeInPlace(const QString& path, const QByteArray& content)
{
    const int fd = openForWriting(path);
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, content);
    return ::close(fd) == 0 && ok;
}

} // namespace

bool IsStandardOutput(const QString& path)
{
    return path == StandardOutputName;
}

bool IsInPlaceTarget(const QString& path)
{
    const auto info = statOf(path);
    return info && !S_ISREG(info->st_mode) && !S_ISDIR(info->st_mode);
}

QString OutputProblem(const QString& path)
{
    if (IsStandardOutput(path))
        return {};
    const QString cannot = QStringLiteral("cannot write ") + path + QStringLiteral(": ");
    if (const auto info = statOf(path); info && !S_ISREG(info->st_mode) && !S_ISDIR(info->st_mode)) {
        // Opening a FIFO here would end the file early for a reader already
        // waiting on it; its permission says enough.
        if (S_ISFIFO(info->st_mode))
            return ::access(QFile::encodeName(path).constData(), W_OK) == 0 ? QString()
                                                                            : cannot + QString::fromLocal8Bit(std::strerror(errno));
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return cannot + QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return {};
    }
    const QFileInfo output(path);
    if (!output.absoluteDir().exists() || output.isDir())
        return cannot + QStringLiteral("no such folder, or a folder by that name");
    return {};
}

bool WriteOutputFile(const QString& path, const QByteArray& content)
{
    if (IsStandardOutput(path))
        return writeAll(STDOUT_FILENO, content);
    if (IsInPlaceTarget(path))
        return writeInPlace(path, content);
    return WriteFileAtomically(path, content);
}
