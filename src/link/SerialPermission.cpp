#include "SerialPermission.h"

#include "PortMap.h"

#include <QFile>
#include <QFileInfo>
#include <QVarLengthArray>
#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString groupName(gid_t gid)
{
    const group* entry = ::getgrgid(gid);
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString::number(gid);
}

bool processHasGroup(gid_t gid)
{
    if (::getegid() == gid)
        return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0)
        return false;
    QVarLengthArray<gid_t, 64> groups(count);
    const int filled = ::getgroups(count, groups.data());
    for (int i = 0; i < filled; ++i)
        if (groups[i] == gid)
            return true;
    return false;
}

// Listed as a member in the group database: joined, but perhaps only after
// this login, whose processes still carry the old group list.
bool userListedInGroup(gid_t gid)
{
    const passwd* user = ::getpwuid(::getuid());
    if (!user)
        return false;
    int count = 64;
    QVarLengthArray<gid_t, 64> groups(count);
    if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
        groups.resize(count);
        if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0)
            return false;
    }
    for (int i = 0; i < count; ++i)
        if (groups[i] == gid)
            return true;
    return false;
}

// A built-in UART slot the kernel found no chip for: listed in /dev, never an instrument.
bool isEmptyUartSlot(const QString& devicePath)
{
    const QString name = QFileInfo(devicePath).fileName();
    if (!name.startsWith(QLatin1String("ttyS")))
        return false;
    QFile type(QStringLiteral("/sys/class/tty/%1/type").arg(name));
    return type.open(QIODevice::ReadOnly) && type.readAll().trimmed() == "0";
}

} // namespace

bool IsPermissionDenied(int error)
{
    return error == EACCES || error == EPERM;
}

QString SerialPermissionText(const QString& devicePath)
{
    struct stat info {};
    if (::stat(devicePath.toLocal8Bit().constData(), &info) != 0)
        return QStringLiteral("Permission denied on %1.").arg(devicePath);
    const QString group = groupName(info.st_gid);
    const bool groupMayUse = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP) && info.st_gid != 0;
    if (!groupMayUse || processHasGroup(info.st_gid))
        return QStringLiteral("Permission denied on %1 (group \"%2\"): joining its group does not give access to it; "
                              "ask the administrator to let you read and write the device.")
            .arg(devicePath, group);
    if (userListedInGroup(info.st_gid))
        return QStringLiteral("Permission denied on %1: you have joined its group \"%2\", but this login started "
                              "before that. Log out and log in again.")
            .arg(devicePath, group);
    return QStringLiteral("Permission denied on %1: you are not in its group \"%2\". Join the group with "
                          "\"sudo usermod -aG %2 $USER\", then log out and log in again.")
        .arg(devicePath, group);
}

std::optional<QString> SerialAccessProblem(const QString& devicePath)
{
    if (::access(devicePath.toLocal8Bit().constData(), R_OK | W_OK) == 0 || !IsPermissionDenied(errno))
        return std::nullopt;
    return SerialPermissionText(devicePath);
}

QList<DeniedPort> DeniedSerialPorts(const PortMap& portMap)
{
    QList<DeniedPort> denied;
    for (int port = PortMap::FirstPort; port <= PortMap::LastPort; ++port) {
        const QString device = portMap.devicePath(port);
        if (device.isEmpty() || isEmptyUartSlot(device))
            continue;
        if (auto text = SerialAccessProblem(device))
            denied.append({port, device, *text});
    }
    return denied;
}
