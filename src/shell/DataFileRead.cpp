#include "DataFileRead.h"

#include "Prompts.h"
#include "SessionLog.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes the descriptor when the read is over, however it ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

QString sizeLimitText(qint64 maxBytes)
{
    return maxBytes % (1024 * 1024) == 0 ? QStringLiteral("%1 MB").arg(maxBytes / (1024 * 1024))
                                         : QStringLiteral("%1 bytes").arg(maxBytes);
}

} // namespace

DataFileRead ReadDataFile(const QString& path, qint64 maxBytes)
{
    DataFileRead result;
    // O_NONBLOCK: opening a FIFO for reading must not wait for a writer.
    const Descriptor fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        return result;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return result;
    if (!S_ISREG(info.st_mode)) {
        result.skipped = S_ISDIR(info.st_mode) ? QStringLiteral("it is a folder") : QStringLiteral("it is not a regular file");
        return result;
    }
    const QString tooLarge = QStringLiteral("it is larger than ") + sizeLimitText(maxBytes);
    if (info.st_size > maxBytes) {
        result.skipped = tooLarge;
        return result;
    }
    // The size may change while reading: never take more than the limit.
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return result;
        if (got == 0)
            break;
        bytes.append(buffer, got);
        if (bytes.size() > maxBytes) {
            result.skipped = tooLarge;
            return result;
        }
    }
    result.bytes = bytes;
    return result;
}

QString SkippedDataFileText(const QString& path, const QString& why)
{
    return QStringLiteral("Skipped ") + path + QStringLiteral(": ") + why + QStringLiteral("; defaults are used.");
}

int ReportSkippedDataFiles(SessionLog& log, Prompts& prompts, const QString& caption, const QStringList& paths)
{
    QStringList lines;
    for (const QString& path : paths) {
        const DataFileRead read = ReadDataFile(path);
        if (read.skipped.isEmpty())
            continue;
        lines.append(SkippedDataFileText(path, read.skipped));
        log.debugMessage(lines.last(), SessionLog::Problem);
    }
    if (!lines.isEmpty())
        prompts.message(Prompts::Icon::Exclamation, lines.join(QStringLiteral("\r\n")), caption);
    return int(lines.size());
}
