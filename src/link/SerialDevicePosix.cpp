// The serial device back end for POSIX systems: termios in raw mode on a
// non-blocking descriptor, exclusive use through TIOCEXCL and an flock()
// (the latter also holds against privileged processes and within one process).
#include "SerialDevice.h"

#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace SerialDevice {
namespace {

struct LineSettings {
    speed_t speed = B9600;
    tcflag_t dataBits = CS8;
    char parity = 'N';
    bool twoStopBits = false;
};

bool speedFor(int baud, speed_t& speed)
{
    static const std::pair<int, speed_t> speeds[] = {
        {50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200},
        {300, B300}, {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400},
        {4800, B4800}, {9600, B9600}, {19200, B19200}, {38400, B38400},
        {57600, B57600}, {115200, B115200}, {230400, B230400},
    };
    for (const auto& [rate, value] : speeds) {
        if (rate == baud) {
            speed = value;
            return true;
        }
    }
    return false;
}

// Parses "baud=9600 parity=N data=8 stop=1"; false on an unknown key or value.
bool parseSettings(const QString& text, LineSettings& settings)
{
    const QStringList fields = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (fields.isEmpty())
        return false;
    for (const QString& field : fields) {
        const int equals = field.indexOf(QLatin1Char('='));
        if (equals <= 0)
            return false;
        const QString key = field.left(equals).toLower();
        const QString value = field.mid(equals + 1).toUpper();
        bool ok = false;
        const int number = value.toInt(&ok);
        if (key == QLatin1String("baud")) {
            if (!ok || !speedFor(number, settings.speed))
                return false;
        } else if (key == QLatin1String("parity")) {
            if (value.size() != 1 || !QStringLiteral("NEOMS").contains(value))
                return false;
            settings.parity = value.at(0).toLatin1();
        } else if (key == QLatin1String("data")) {
            static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
            if (!ok || number < 5 || number > 8)
                return false;
            settings.dataBits = sizes[number - 5];
        } else if (key == QLatin1String("stop")) {
            if (!ok || (number != 1 && number != 2))
                return false;
            settings.twoStopBits = number == 2;
        } else {
            return false;
        }
    }
    return true;
}

// Opens without claiming exclusive mode; the flock() refuses a device another program holds.
int openLocked(const QString& path, int& fd)
{
    fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        fd = InvalidHandle;
        return error;
    }
    return 0;
}
}

int open(const QString& path, Handle& handle)
{
    handle = InvalidHandle;
    int fd = InvalidHandle;
    if (const int error = openLocked(path, fd))
        return error;
    if (::isatty(fd) && ::ioctl(fd, TIOCEXCL) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    handle = fd;
    return 0;
}

int configure(Handle handle, const QString& settingsText)
{
    LineSettings settings;
    if (!parseSettings(settingsText, settings))
        return EINVAL;
    termios tio{};
    if (::tcgetattr(handle, &tio) != 0)
        return errno;
    ::cfmakeraw(&tio);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CMSPAR);
    tio.c_cflag |= CLOCAL | CREAD | settings.dataBits;
    switch (settings.parity) {
    case 'E': tio.c_cflag |= PARENB; break;
    case 'O': tio.c_cflag |= PARENB | PARODD; break;
    case 'M': tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 'S': tio.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (settings.parity != 'N')
        tio.c_iflag |= INPCK;
    if (settings.twoStopBits)
        tio.c_cflag |= CSTOPB;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, settings.speed) != 0 || ::cfsetospeed(&tio, settings.speed) != 0)
        return errno;
    if (::tcsetattr(handle, TCSANOW, &tio) != 0)
        return errno;
    return 0;
}

int purge(Handle handle)
{
    return ::tcflush(handle, TCIOFLUSH) == 0 ? 0 : errno;
}

int queued(Handle handle, int& count)
{
    count = 0;
    return ::ioctl(handle, FIONREAD, &count) == 0 ? 0 : errno;
}

int read(Handle handle, int count, QByteArray& data)
{
    data.resize(count);
    int got = 0;
    while (got < count) {
        const ssize_t n = ::read(handle, data.data() + got, count - got);
        if (n > 0) {
            got += static_cast<int>(n);
        } else if (n == 0 || errno == EAGAIN) {
            break;
        } else if (errno != EINTR) {
            const int error = errno;
            data.resize(got);
            return error;
        }
    }
    data.resize(got);
    return 0;
}

int write(Handle handle, const QByteArray& data, int perByteMs, int& written)
{
    written = 0;
    const QDeadlineTimer deadline(qint64(perByteMs) * std::max<qsizetype>(data.size(), 1));
    while (written < data.size()) {
        const ssize_t n = ::write(handle, data.constData() + written, data.size() - written);
        if (n >= 0) {
            written += static_cast<int>(n);
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            return errno;
        pollfd room{handle, POLLOUT, 0};
        const int ready = ::poll(&room, 1, PollTimeoutMs(deadline));
        if (ready == 0)
            return 0;   // the write timeout passed: a short write
        if (ready < 0 && errno != EINTR)
            return errno;
    }
    return 0;
}

int close(Handle handle)
{
    if (::isatty(handle))
        ::ioctl(handle, TIOCNXCL);   // a pseudo-terminal outlives us: leave it openable
    return ::close(handle) == 0 ? 0 : errno;
}

WaitResult waitReadable(Handle handle, QDeadlineTimer deadline, const WakeUp* wake)
{
    return WaitReadable(handle, deadline, wake);
}

int probe(const QString& path)
{
    int fd = InvalidHandle;
    if (const int error = openLocked(path, fd))
        return error;
    ::close(fd);
    return 0;
}

bool isNoSuchDevice(int error)
{
    // EIO: a serial device node without hardware behind it.
    return error == ENOENT || error == ENODEV || error == ENXIO || error == EIO;
}

bool isBusy(int error)
{
    return error == EBUSY;
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
}
