#include "ScheduleFile.h"

#include "shell/SessionLog.h"
#include "shell/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace ScheduleFile {

namespace {
constexpr qint64 MaxFileBytes = 64 * 1024;   // a set-up file is a few hundred bytes
constexpr int ByteMax = 255;
constexpr int ErrOverflow = 6;
constexpr int ErrTypeMismatch = 13;
constexpr int ErrFileNotFound = 53;
constexpr int ErrFileAccess = 75;
const QString TimeForm = QStringLiteral("HH:mm:ss");

QString TimeText(const QTime& time)
{
    return (time.isValid() ? time : QTime(0, 0)).toString(TimeForm);
}

// A file written on another system may be in its 8-bit code page.
QString Decode(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

// A decimal number that the file stores as an unsigned byte.
std::optional<int> ReadByte(const QString& text, ScheduleFileProblem& problem, int line)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok) {
        problem = {ErrTypeMismatch, QStringLiteral("Type mismatch"), line};
        return std::nullopt;
    }
    if (value < 0 || value > ByteMax) {
        problem = {ErrOverflow, QStringLiteral("Overflow"), line};
        return std::nullopt;
    }
    return int(value);
}
}

QStringList Lines(const ScheduleFileValues& v)
{
    return {Header, QStringLiteral("S ") + TimeText(v.start), QStringLiteral("L ") + TimeText(v.length),
        QStringLiteral("F ") + QString::number(v.frequency), QStringLiteral("W ") + QString::number(v.weekMask),
        QStringLiteral("C ") + QString::number(v.config), QStringLiteral("? ") + v.comment, Trailer};
}

bool Write(const QString& path, const ScheduleFileValues& values, SessionLog& log)
{
    const QStringList lines = Lines(values);
    const QString full = QFileInfo(path).absoluteFilePath();
    for (const QString& line : lines) {
        log.debugMessage(QStringLiteral("Data written to ") + full + QStringLiteral(":"), SessionLog::Info);
        log.debugMessage(QStringLiteral("\t\"") + line + QStringLiteral("\""), SessionLog::Info);
    }
    return WriteFileAtomically(full, (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
}

std::optional<QTime> ReadTime(const QString& text, const QLocale& locale)
{
    const QString t = text.trimmed();
    // Colons, or the dots some locales separate times with.
    for (const QString& form : {QStringLiteral("H:mm:ss"), QStringLiteral("H:mm"), QStringLiteral("H.mm.ss"),
             QStringLiteral("H.mm")}) {
        const QTime time = QTime::fromString(t, form);
        if (time.isValid())
            return time;
    }
    for (const QLocale::FormatType format : {QLocale::LongFormat, QLocale::ShortFormat, QLocale::NarrowFormat}) {
        const QTime time = locale.toTime(t, format);
        if (time.isValid())
            return time;
    }
    const QLocale c = QLocale::c();
    for (const QString& form : {QStringLiteral("h:mm:ss AP"), QStringLiteral("h:mm AP")}) {
        const QTime time = c.toTime(t.toUpper(), form);
        if (time.isValid())
            return time;
    }
    return std::nullopt;
}

ReadResult Parse(const QByteArray& bytes, SessionLog& log, const QLocale& locale)
{
    ReadResult result;
    ScheduleFileContent content;
    QStringList lines = Decode(bytes).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();   // the end of the last line, not a line of its own
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const int number = i + 1;
        const QString key = line.left(1);
        const QString value = line.mid(2);
        if (key == QLatin1String("#")) {
            log.debugMessage(line.mid(1), SessionLog::Detail);
        } else if (key == QLatin1String("S") || key == QLatin1String("L")) {
            const auto time = ReadTime(value, locale);
            if (!time) {
                result.problem = {ErrTypeMismatch, QStringLiteral("Type mismatch"), number};
                return result;
            }
            (key == QLatin1String("S") ? content.start : content.length) = *time;
        } else if (key == QLatin1String("F") || key == QLatin1String("W") || key == QLatin1String("C")) {
            const auto byte = ReadByte(value, result.problem, number);
            if (!byte)
                return result;
            (key == QLatin1String("F") ? content.frequency : key == QLatin1String("W") ? content.weekMask
                                                                                         : content.config) = *byte;
        } else if (key == QLatin1String("?")) {
            content.comment = value;
        } else {
            log.debugMessage(QStringLiteral("Unknown setting in file: ") + line, SessionLog::Warning);
        }
    }
    result.content = content;
    return result;
}

ReadResult Read(const QString& path, SessionLog& log, const QLocale& locale)
{
    QFile file(path);
    if (!file.exists())
        return {std::nullopt, {ErrFileNotFound, QStringLiteral("File not found"), 0}};
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, {ErrFileAccess, QStringLiteral("Path/File access error"), 0}};
    if (file.size() > MaxFileBytes)
        return {std::nullopt, {ErrFileAccess, QStringLiteral("The file is too large for a schedule file"), 0}};
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return {std::nullopt, {ErrFileAccess, QStringLiteral("Path/File access error"), 0}};
    return Parse(bytes, log, locale);
}

QString ProposedName(const QDateTime& localNow)
{
    return QStringLiteral("SCH_") + localNow.toString(QStringLiteral("ddHHmmss"));
}

}
