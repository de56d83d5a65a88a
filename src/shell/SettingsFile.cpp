#include "SettingsFile.h"

#include "IniFile.h"

#include <QFileInfo>
#include <QMutex>

namespace {

// A read-only file is not rewritten even where its folder would allow
// replacing it. Owner, group and other bits are checked as stored: the
// "user" bits say what this process may do, which for an administrator is
// always everything.
bool isWritableFile(const QString& path)
{
    const QFileInfo info(path);
    const auto writeBits = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return info.isFile() && info.isWritable() && (info.permissions() & writeBits);
}

// The GUI thread and the instrument thread both change settings files; one
// read-change-write at a time, so neither undoes the other's change.
QMutex changeMutex;

template <typename Change>
bool changeFile(const QString& path, Change change)
{
    QMutexLocker lock(&changeMutex);
    if (!isWritableFile(path))
        return false;
    auto file = IniFile::load(path);
    if (!file)
        return false;
    const QByteArray before = file->toBytes();
    if (!change(*file))
        return false;
    return file->toBytes() == before || file->save(path);
}

} // namespace

std::optional<QString> ReadSettingsEntry(const QString& path, const QString& section, const QString& key)
{
    const auto file = IniFile::load(path);
    return file ? file->value(section, key) : std::nullopt;
}

QString ReadSettingsText(const QString& path, const QString& section, const QString& key, const QString& fallback)
{
    return ReadSettingsEntry(path, section, key).value_or(fallback);
}

bool WriteSettingsEntry(const QString& path, const QString& section, const QString& key, const QString& value)
{
    return changeFile(path, [&](IniFile& file) { return file.setValue(section, key, value); });
}
