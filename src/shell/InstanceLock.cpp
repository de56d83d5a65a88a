#include "InstanceLock.h"

#include <QDir>

namespace {

QString lockPath(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(InstanceLock::Name + QStringLiteral(".lock"));
}

} // namespace

InstanceLock::InstanceLock(const QString& dataFolder)
    : lock_(std::make_unique<QLockFile>(lockPath(dataFolder)))
{
    // Held for the life of the process: never considered stale while we run.
    lock_->setStaleLockTime(0);
    lock_->tryLock(0);
}

bool InstanceLock::isHeld() const
{
    return lock_->isLocked();
}

bool InstanceLock::isHeldElsewhere(const QString& dataFolder)
{
    QLockFile probe(lockPath(dataFolder));
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock();
        return false;
    }
    return probe.error() == QLockFile::LockFailedError;
}
