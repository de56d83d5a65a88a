#include "PacketFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const QString Readme = QStringLiteral("README.TXT");

[[noreturn]] void Fail(const QString& what)
{
    throw std::runtime_error(what.toStdString());
}

fs::path FsPath(const QString& path)
{
    return fs::path(path.toStdString());
}

void WriteLines(const QString& path, const QStringList& lines, QIODevice::OpenMode mode)
{
    QByteArray content;
    for (const QString& line : lines)
        content += (line + QStringLiteral("\r\n")).toUtf8();
    QFile file(path);
    if (!file.open(mode) || file.write(content) != content.size() || !file.flush())
        Fail(QStringLiteral("Could not write ") + path + QStringLiteral(": ") + file.errorString());
}

const QString LinkReason = QStringLiteral("it is a link");
constexpr qint64 CopyChunk = 64 * 1024;

// Closes a descriptor however the copy ends.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// True when a folder between base and path (base itself not counted) is a
// symbolic link; a path outside base has nothing to check.
bool BehindALink(const QString& base, const QString& path)
{
    if (base.isEmpty())
        return false;
    const QString relative = QDir(base).relativeFilePath(QFileInfo(path).absolutePath());
    if (relative == QLatin1String(".") || relative.startsWith(QLatin1String("..")) || QDir::isAbsolutePath(relative))
        return false;
    QString folder = QDir(base).absolutePath();
    for (const QString& part : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        folder += QLatin1Char('/') + part;
        if (QFileInfo(folder).isSymLink())
            return true;
    }
    return false;
}

}

const QList<PacketFolder::Folder>& PacketFolder::folders()
{
    static const QList<Folder> list{{QStringLiteral("data"), QStringLiteral("Instrument Data:")},
        {QStringLiteral("settings"), QStringLiteral("Instrument Settings:")},
        {QStringLiteral("instrument"), QStringLiteral("Instrument Details:")},
        {QStringLiteral("meta"), QStringLiteral("MetaData:")},
        {QStringLiteral("meta/soft"), QStringLiteral("Software Install:")}};
    return list;
}

PacketFolder::PacketFolder(const QString& dataFolder)
    : dataFolder_(dataFolder), path_(dataFolder.isEmpty() ? QString() : QDir(dataFolder).filePath(Name))
{
}

QString PacketFolder::file(const QString& relative) const
{
    return QDir(path_).filePath(relative);
}

void PacketFolder::clear() const
{
    if (path_.isEmpty() || !QDir::isAbsolutePath(path_))
        Fail(QStringLiteral("The working folder needs an absolute data folder, not '") + path_ + QStringLiteral("'."));
    const fs::path packet = FsPath(path_);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(packet, ec);
    ec.clear();   // a missing folder is no failure: it is created below
    if (fs::is_symlink(status)) {
        fs::remove(packet, ec);   // the link alone
    } else if (fs::exists(status) && !fs::is_directory(status)) {
        Fail(QStringLiteral("'") + path_ + QStringLiteral("' is not a folder; it was left as it is."));
    }
    if (ec)
        Fail(QStringLiteral("Could not clear ") + path_ + QStringLiteral(": ") + QString::fromStdString(ec.message()));
    if (!fs::exists(fs::symlink_status(packet)) && !fs::create_directories(packet, ec))
        Fail(QStringLiteral("Could not create ") + path_ + QStringLiteral(": ") + QString::fromStdString(ec.message()));
    // remove_all removes a link inside as a link and does not descend through it.
    for (fs::directory_iterator it(packet, ec), end; !ec && it != end; it.increment(ec)) {
        fs::remove_all(it->path(), ec);
        if (ec)
            break;
    }
    if (ec)
        Fail(QStringLiteral("Could not clear ") + path_ + QStringLiteral(": ") + QString::fromStdString(ec.message()));
}

void PacketFolder::prepare() const
{
    clear();
    for (const Folder& folder : folders()) {
        if (!QDir(path_).mkpath(folder.name))
            Fail(QStringLiteral("Could not create ") + file(folder.name));
        write(folder.name + QLatin1Char('/') + Readme, {folder.heading});
    }
}

void PacketFolder::write(const QString& relative, const QStringList& lines) const
{
    WriteLines(file(relative), lines, QIODevice::WriteOnly | QIODevice::Truncate);
}

void PacketFolder::append(const QString& relative, const QStringList& lines) const
{
    WriteLines(file(relative), lines, QIODevice::WriteOnly | QIODevice::Append);
}

PacketFolder::Copy PacketFolder::copy(const QString& source, const QString& relative) const
{
    // O_NOFOLLOW: the last name is never followed; O_NONBLOCK: a FIFO does not hold the open.
    const Descriptor in{::open(QFile::encodeName(source).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
    if (in.fd < 0) {
        if (errno == ELOOP)
            return {false, LinkReason};
        return {};
    }
    struct stat info {};
    if (::fstat(in.fd, &info) != 0 || S_ISDIR(info.st_mode))
        return {};
    if (!S_ISREG(info.st_mode))
        return {false, QStringLiteral("it is not a regular file")};
    if (BehindALink(dataFolder_, source))
        return {false, QStringLiteral("it lies behind a link")};

    const QString target = file(relative);
    QFile::remove(target);
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        Fail(QStringLiteral("Could not copy ") + source + QStringLiteral(" to ") + target);
    QByteArray chunk(CopyChunk, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(in.fd, chunk.data(), size_t(chunk.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || (got > 0 && out.write(chunk.constData(), got) != got))
            Fail(QStringLiteral("Could not copy ") + source + QStringLiteral(" to ") + target);
        if (got == 0)
            break;
    }
    if (!out.flush())
        Fail(QStringLiteral("Could not copy ") + source + QStringLiteral(" to ") + target);
    return {true, {}};
}

void PacketFolder::noteFile(const QString& folder, const QString& fileName, bool withContent) const
{
    append(folder + QLatin1Char('/') + Readme,
        {fileName + QLatin1Char('\t') + (withContent ? QStringLiteral("[OK]") : QStringLiteral("[--]"))});
}

void PacketFolder::noteSkipped(const QString& folder, const QString& fileName, const QString& why) const
{
    append(folder + QLatin1Char('/') + Readme,
        {fileName + QLatin1Char('\t') + QStringLiteral("[--] not included: ") + why});
}

void PacketFolder::closeReadme(const QString& folder) const
{
    append(folder + QLatin1Char('/') + Readme, {QString(), QStringLiteral("Done.")});
}
