#include "PortMap.h"

namespace {
// Device families of the fixed map: the port number of /dev/<prefix>0 and how many follow.
struct Family {
    const char* prefix;
    int firstPort;
    int count;
};
constexpr Family Families[] = {
    {"/dev/ttyS", 1, 32},
    {"/dev/ttyUSB", 33, 32},
    {"/dev/ttyACM", 65, PortMap::LastPort - 64},
};
}

QString PortMap::devicePath(int port) const
{
    {
        QMutexLocker lock(&mutex_);
        const auto found = overrides_.constFind(port);
        if (found != overrides_.constEnd())
            return found.value();
    }
    for (const Family& family : Families) {
        if (port >= family.firstPort && port < family.firstPort + family.count)
            return QString::fromLatin1(family.prefix) + QString::number(port - family.firstPort);
    }
    return {};
}

int PortMap::portNumber(const QString& path) const
{
    if (path.isEmpty())
        return -1;
    {
        QMutexLocker lock(&mutex_);
        for (auto it = overrides_.constBegin(); it != overrides_.constEnd(); ++it) {
            if (it.value() == path)
                return it.key();
        }
    }
    for (const Family& family : Families) {
        const QString prefix = QString::fromLatin1(family.prefix);
        if (!path.startsWith(prefix))
            continue;
        bool ok = false;
        const int k = QStringView(path).mid(prefix.size()).toInt(&ok);
        if (ok && k >= 0 && k < family.count && QString::number(k) == path.mid(prefix.size()))
            return family.firstPort + k;
    }
    return -1;
}

void PortMap::setOverrides(const QMap<int, QString>& overrides)
{
    QMutexLocker lock(&mutex_);
    overrides_ = overrides;
}

void PortMap::addOverride(int port, const QString& path)
{
    QMutexLocker lock(&mutex_);
    overrides_.insert(port, path);
}

void PortMap::removeOverride(int port)
{
    QMutexLocker lock(&mutex_);
    overrides_.remove(port);
}

QMap<int, QString> PortMap::overrides() const
{
    QMutexLocker lock(&mutex_);
    return overrides_;
}
