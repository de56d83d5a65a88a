#include "PacketFolder.h"

#include <QDir>
#include <QFile>
#include <filesystem>
#include <stdexcept>
#include <system_error>

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
    : path_(dataFolder.isEmpty() ? QString() : QDir(dataFolder).filePath(Name))
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

bool PacketFolder::copy(const QString& source, const QString& relative) const
{
    if (!QFileInfo(source).isFile())
        return false;
    const QString target = file(relative);
    QFile::remove(target);
    if (!QFile::copy(source, target))
        Fail(QStringLiteral("Could not copy ") + source + QStringLiteral(" to ") + target);
    return true;
}

void PacketFolder::noteFile(const QString& folder, const QString& fileName, bool withContent) const
{
    append(folder + QLatin1Char('/') + Readme,
        {fileName + QLatin1Char('\t') + (withContent ? QStringLiteral("[OK]") : QStringLiteral("[--]"))});
}

void PacketFolder::closeReadme(const QString& folder) const
{
    append(folder + QLatin1Char('/') + Readme, {QString(), QStringLiteral("Done.")});
}
