#include "SerialPortTable.h"

#include "PortMap.h"
#include "shell/Bits.h"
#include "SerialPermission.h"
#include "shell/SessionLog.h"

#include <cerrno>

namespace {
// Write timeout: one second per byte, as the instrument's line allows.
constexpr int WriteMsPerByte = 1000;

// A name that is a bare positive number n stands for port n.
int bareNumber(const QString& name)
{
    bool ok = false;
    const int number = name.trimmed().toInt(&ok);
    return ok && number > 0 ? number : 0;
}
}

SerialPortTable::SerialPortTable(SessionLog& log, PortMap& portMap) : log_(log), portMap_(portMap) {}

SerialPortTable::~SerialPortTable()
{
    CommCloseAll();
}

SerialPortTable::Entry* SerialPortTable::entry(int id)
{
    return id >= FirstId && id <= LastId ? &entries_[id] : nullptr;
}

const SerialPortTable::Entry* SerialPortTable::entry(int id) const
{
    return id >= FirstId && id <= LastId ? &entries_[id] : nullptr;
}

int SerialPortTable::CommOpen(int id, QString& name, const QString& settings)
{
    Entry* e = entry(id);
    if (!e || e->open)
        return CommInUse;
    if (const int port = bareNumber(name))
        name = portMap_.devicePath(port);
    if (name.isEmpty())
        return ENOENT;

    SerialDevice::Handle handle = SerialDevice::InvalidHandle;
    if (const int error = SerialDevice::open(name, handle)) {
        logOpenError(name, error);
        return error;
    }
    // A device that cannot take the settings is closed again rather than left
    // half set up in the table, so the caller may retry with other settings.
    int error = SerialDevice::purge(handle);
    if (!error)
        error = SerialDevice::configure(handle, settings);
    if (error) {
        SerialDevice::close(handle);
        return error;
    }
    logOpenError(name, 0);
    *e = Entry{handle, name, true};
    return CommSuccess;
}

int SerialPortTable::CommClose(int id)
{
    Entry* e = entry(id);
    if (!e || !e->open)
        return CommSuccess;
    if (const int error = SerialDevice::close(e->handle))
        return error;
    e->handle = SerialDevice::InvalidHandle;
    e->open = false;
    return CommSuccess;
}

void SerialPortTable::CommCloseAll()
{
    for (int id = FirstId; id <= LastId; ++id)
        CommClose(id);
}

int SerialPortTable::CommFlush(int id)
{
    Entry* e = entry(id);
    if (!e || !e->open)
        return EBADF;
    return SerialDevice::purge(e->handle);
}

int SerialPortTable::CommRead(int id, QByteArray& data, qint32 size)
{
    data.clear();
    Entry* e = entry(id);
    if (!e || !e->open || size < 0)
        return CommFailure;
    int waiting = 0;
    if (SerialDevice::queued(e->handle, waiting) != 0)
        return CommFailure;
    if (waiting == 0)
        return 0;
    const int count = size != 0 && size < waiting ? size : waiting;
    if (SerialDevice::read(e->handle, count, data) != 0)
        return CommFailure;
    return static_cast<int>(data.size());
}

int SerialPortTable::CommWrite(int id, const QByteArray& data, qint32& size)
{
    Entry* e = entry(id);
    if (!e || !e->open || size < 0)
        return CommFailure;
    if (size == 0)
        size = static_cast<qint32>(data.size());
    int written = 0;
    if (SerialDevice::write(e->handle, data.left(size), WriteMsPerByte, written) != 0)
        return CommFailure;
    return written;
}

bool SerialPortTable::CommIsOpen(int id) const
{
    const Entry* e = entry(id);
    return e && e->open;
}

int SerialPortTable::CommGetQueue(int id)
{
    Entry* e = entry(id);
    int waiting = 0;
    if (!e || !e->open || SerialDevice::queued(e->handle, waiting) != 0)
        return CommFailure;
    return waiting;
}

QString SerialPortTable::CommPortName(int id) const
{
    const Entry* e = entry(id);
    return e ? e->name : QString();
}

bool SerialPortTable::COMAvailable(int port)
{
    const QString path = portMap_.devicePath(port);
    if (path.isEmpty())
        return false;
    const int error = SerialDevice::probe(path);
    logOpenError(path, error);
    return error == 0;
}

// A device that exists but cannot be opened (held by another program, no
// permission) is worth a note in the log; an absent one is not.
void SerialPortTable::logOpenError(const QString& path, int error)
{
    lastFailedPath_ = error == 0 ? QString() : path;
    lastFailure_ = error;
    if (error == 0 || SerialDevice::isNoSuchDevice(error))
        return;
    log_.debugMessage(QStringLiteral("System Error when accessing ") + path, SessionLog::Problem);
    log_.debugMessage(
        QStringLiteral("0x") + HexL(error, 2) + QStringLiteral(": ") + SerialDevice::errorText(error),
        SessionLog::Problem);
    if (IsPermissionDenied(error))
        log_.debugMessage(SerialPermissionText(path), SessionLog::Problem);
}

SerialDevice::WaitResult SerialPortTable::CommWaitForInput(int id, QDeadlineTimer deadline, const WakeUp* wake)
{
    Entry* e = entry(id);
    if (!e || !e->open)
        return SerialDevice::WaitResult::Failed;
    return SerialDevice::waitReadable(e->handle, deadline, wake);
}

std::optional<QString> SerialPortTable::busyText(const QString& devicePath) const
{
    if (devicePath.isEmpty() || devicePath != lastFailedPath_ || !SerialDevice::isBusy(lastFailure_))
        return std::nullopt;
    return devicePath + QStringLiteral(" is in use by another program.");
}
