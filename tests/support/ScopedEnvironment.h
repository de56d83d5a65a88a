#pragma once
#include <QByteArray>
#include <ctime>
#include <cstdlib>

// Sets an environment variable for the lifetime of the object and restores the
// previous value (or its absence) afterwards. Setting "TZ" also re-reads the
// time-zone rules, so local-time conversions follow the zone at once.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : name_(name), hadValue_(qEnvironmentVariableIsSet(name)), previous_(qgetenv(name))
    {
        qputenv(name_, value);
        refresh();
    }
    ~ScopedEnvironment()
    {
        if (hadValue_)
            qputenv(name_, previous_);
        else
            qunsetenv(name_);
        refresh();
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void refresh() const
    {
        if (qstrcmp(name_, "TZ") == 0)
            tzset();
    }

    const char* name_;
    bool hadValue_;
    QByteArray previous_;
};
