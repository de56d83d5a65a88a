#pragma once
#include <QByteArray>
#include <QtGlobal>
#include <ctime>

// Runs the process in the given POSIX time zone for the life of the object
// ("UTC-1" is one hour east of UTC, without daylight saving).
class ZoneForTest {
public:
    explicit ZoneForTest(const char* zone) : previous_(qgetenv("TZ")), hadZone_(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~ZoneForTest()
    {
        if (hadZone_)
            qputenv("TZ", previous_);
        else
            qunsetenv("TZ");
        tzset();
    }
    ZoneForTest(const ZoneForTest&) = delete;
    ZoneForTest& operator=(const ZoneForTest&) = delete;

private:
    QByteArray previous_;
    bool hadZone_;
};
