#include "SessionLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

SessionLog::SessionLog(QString appTitle, QString userProfileDir)
    : appTitle_(std::move(appTitle)), userProfileDir_(std::move(userProfileDir))
{
    if (userProfileDir_.isEmpty())
        userProfileDir_ = QDir::homePath();
}

QString SessionLog::marker(int level, int& spinner)
{
    switch (level) {
    case Info: return QStringLiteral(":::");
    case Sent: return QStringLiteral(">>>");
    case Received: return QStringLiteral("<<<");
    case Detail: return QStringLiteral("===");
    case Note: return QStringLiteral(" : ");
    case Query: return QStringLiteral("???");
    case Spinner: {
        static const char* const spin[4] = {"+  ", " + ", "  +", " + "};
        const QString m = QString::fromLatin1(spin[spinner & 3]);
        spinner = (spinner + 1) % 4;
        return m;
    }
    case Warning: return QStringLiteral("!  ");
    case Problem: return QStringLiteral("!! ");
    case Error: return QStringLiteral("!!!");
    default: return QStringLiteral("%1").arg(level, 3, 10, QLatin1Char('0'));
    }
}

QString SessionLog::timeField(double secondsSinceMidnight)
{
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(secondsSinceMidnight, 'f', 2);
}

void SessionLog::debugMessage(const QString& message, int level)
{
    const QTime now = QTime::currentTime();
    const double seconds = now.msecsSinceStartOfDay() / 1000.0;

    QMutexLocker lock(&mutex_);
    const QString line = timeField(seconds) + QLatin1Char('\t') + marker(level, spinner_)
        + QLatin1Char('\t') + message;
    if (listener_)
        listener_(line, level);
    if (!toFile_)
        return;
    if (path_.isEmpty())
        path_ = QDir(userProfileDir_).filePath(appTitle_ + QStringLiteral("_debuglog.txt"));

    QFile file(path_);
    // A FIFO or device in the log's place is not opened: a FIFO would block
    // every line until some program read it.
    const QFileInfo target(path_);
    const bool ok = (!target.exists() || target.isFile()) && file.open(QIODevice::WriteOnly | QIODevice::Append)
        && file.write((line + QStringLiteral("\r\n")).toUtf8()) >= 0 && file.flush();
    file.close();
    if (!ok || file.error() != QFileDevice::NoError) {
        toFile_ = false;
        const QString failure = QStringLiteral("DebugToFile turned off as '") + path_
            + QStringLiteral("' can't be opened.");
        if (listener_)
            listener_(timeField(seconds) + QLatin1Char('\t') + marker(Error, spinner_)
                          + QLatin1Char('\t') + failure,
                Error);
    }
}

bool SessionLog::logToFile() const { QMutexLocker lock(&mutex_); return toFile_; }
void SessionLog::setLogToFile(bool on) { QMutexLocker lock(&mutex_); toFile_ = on; }
QString SessionLog::logFilePath() const { QMutexLocker lock(&mutex_); return path_; }
void SessionLog::setLogFilePath(const QString& path) { QMutexLocker lock(&mutex_); path_ = path; }
void SessionLog::setListener(Listener listener) { QMutexLocker lock(&mutex_); listener_ = std::move(listener); }
