#pragma once
#include <QString>
#include <pty.h>
#include <unistd.h>

// A pseudo-terminal whose far end never answers: a serial port with no
// instrument behind it. The test holds the controlling side; the device
// path is the side the program opens.
class SilentLine {
public:
    SilentLine()
    {
        char name[128] = {};
        if (::openpty(&controller_, &device_, name, nullptr, nullptr) == 0)
            path_ = QString::fromLocal8Bit(name);
    }
    ~SilentLine()
    {
        if (device_ >= 0)
            ::close(device_);
        if (controller_ >= 0)
            ::close(controller_);
    }
    SilentLine(const SilentLine&) = delete;
    SilentLine& operator=(const SilentLine&) = delete;

    QString path() const { return path_; }

private:
    int controller_ = -1;
    int device_ = -1;
    QString path_;
};
