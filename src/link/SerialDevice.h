#pragma once
#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include "shell/WakeUp.h"

// The platform back end of the serial port table: one open device per
// handle. Every call returns 0 or the platform's error code (errno on POSIX).
// A Windows back end would implement the same functions over its handles.
namespace SerialDevice {
using Handle = int;
constexpr Handle InvalidHandle = -1;

using WaitResult = ::WaitResult;

// Opens the device for exclusive read/write access, without becoming its
// controlling terminal, non-blocking.
int open(const QString& path, Handle& handle);
// Applies a settings text "baud=9600 parity=N data=8 stop=1" (keys and
// parity letter in either case) in raw mode, no flow control.
int configure(Handle handle, const QString& settings);
// Discards both queues.
int purge(Handle handle);
int queued(Handle handle, int& count);
// Reads up to count bytes that are already queued; never waits.
int read(Handle handle, int count, QByteArray& data);
// Writes all of data, waiting for room at most perByteMs per byte in total.
int write(Handle handle, const QByteArray& data, int perByteMs, int& written);
int close(Handle handle);
// Failed also for a hung-up device; Woken when wake (may be null) is signalled.
WaitResult waitReadable(Handle handle, QDeadlineTimer deadline, const WakeUp* wake = nullptr);

// Tries to open the device as the table would and closes it again: 0 when it
// could be opened, else the error code.
int probe(const QString& path);
bool isNoSuchDevice(int error);
// Whether an open failed because another program holds the device.
bool isBusy(int error);
// The system's own text for an error code.
QString errorText(int error);
}
