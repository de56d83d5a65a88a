#pragma once
#include <QMutex>
#include <QString>
#include <functional>

// The session log: one line per event, "seconds since midnight<TAB>marker<TAB>text".
// The file is opened and closed for every line so it is complete on disk at
// any moment. Written from the GUI thread and the instrument thread, hence
// the mutex.
class SessionLog {
public:
    // Levels with a meaning of their own.
    enum Level : int {
        Info = 0,         // ":::"
        Sent = 1,         // ">>>" every frame sent
        Received = 2,     // "<<<" every frame received
        Detail = 3,       // "==="
        Note = 4,         // " : "
        Query = 5,        // "???"
        Spinner = 6,      // rotating "+"
        Warning = 253,    // "!  "
        Problem = 254,    // "!! "
        Error = 255,      // "!!!"
    };

    // userProfileDir and appTitle name the fallback file used when no path was set.
    explicit SessionLog(QString appTitle = QStringLiteral("Tolvi"), QString userProfileDir = {});

    void debugMessage(const QString& message, int level);

    bool logToFile() const;
    void setLogToFile(bool on);
    QString logFilePath() const;
    void setLogFilePath(const QString& path);

    // Every line built (written or not) is also passed here: the GUI's log view, tests.
    using Listener = std::function<void(const QString& line, int level)>;
    void setListener(Listener listener);

    // The marker for a level; level 6 uses and advances the spinner.
    static QString marker(int level, int& spinner);
    // The time field: seconds since local midnight, two decimals, locale decimal separator.
    static QString timeField(double secondsSinceMidnight);

private:
    mutable QMutex mutex_;
    QString appTitle_;
    QString userProfileDir_;
    QString path_;
    bool toFile_ = false;
    int spinner_ = 0;
    Listener listener_;
};
