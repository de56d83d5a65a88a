#include "ScheduleFile.h"

#include "config/SchedulePageModel.h"
#include "config/ScheduleRecord.h"
#include "shell/DataFileRead.h"
#include "shell/SessionLog.h"
#include "shell/TextFile.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

namespace ScheduleFile {

namespace {
constexpr qint64 MaxFileBytes = 64 * 1024;   // a set-up file is a few hundred bytes
constexpr int ByteMax = 255;
constexpr int MaxFrequency = SchedulePageModel::FrequencyMax;   // what the frequency control shows
constexpr int MaxWeekMask = WeekMasks::AllWeek;                  // seven day bits
// The configuration bits the page keeps: loop counter, the two memory-full
// options and the two bits the option handling leaves alone.
constexpr int ConfigBits = ScheduleRecord::ConfigCounter | ScheduleRecord::ConfigUntilFull
    | ScheduleRecord::ConfigOverwrite | ScheduleRecord::ConfigKept | 0x80;
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

// A decimal number of the F, W or C line. A value the page could not show
// as it stands is refused rather than cut: the file then changes nothing.
std::optional<int> ReadNumber(const QString& key, const QString& text, ScheduleFileProblem& problem, int line)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok) {
        problem = {ErrTypeMismatch, QStringLiteral("Type mismatch"), line};
        return std::nullopt;
    }
    const int largest = key == QLatin1String("F") ? MaxFrequency : key == QLatin1String("W") ? MaxWeekMask : ByteMax;
    const QString shown = key + QLatin1Char(' ') + text.trimmed();
    if (value < 0 || value > largest) {
        problem = {ErrOverflow, QStringLiteral("Overflow: %1 is outside 0 to %2").arg(shown).arg(largest), line};
        return std::nullopt;
    }
    if (key == QLatin1String("C") && (value & ~ConfigBits) != 0) {
        problem = {ErrOverflow, QStringLiteral("Overflow: %1 sets configuration bits the schedule does not use").arg(shown),
            line};
        return std::nullopt;
    }
    return int(value);
}

// Lines ended by CR LF, LF or CR alone; the end of the last line is not a line of its own.
QStringList SplitLines(const QString& text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\\r\\n|\\r|\\n"));
    QStringList lines = text.split(lineEnd);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
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
    const QStringList lines = SplitLines(Decode(bytes));
    int settings = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
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
            ++settings;
        } else if (key == QLatin1String("F") || key == QLatin1String("W") || key == QLatin1String("C")) {
            const auto byte = ReadNumber(key, value, result.problem, number);
            if (!byte)
                return result;
            (key == QLatin1String("F") ? content.frequency : key == QLatin1String("W") ? content.weekMask
                                                                                         : content.config) = *byte;
            ++settings;
        } else if (key == QLatin1String("?")) {
            content.comment = value;
            ++settings;
        } else {
            log.debugMessage(QStringLiteral("Unknown setting in file: ") + line, SessionLog::Warning);
        }
    }
    // An empty file, or one of some other kind, would otherwise load as a
    // set-up that changes nothing and be sent as if it were one.
    if (settings == 0) {
        result.problem = {ErrTypeMismatch, QStringLiteral("Type mismatch: no schedule setting in the file"), 0};
        return result;
    }
    result.content = content;
    return result;
}

ReadResult Read(const QString& path, SessionLog& log, const QLocale& locale)
{
    if (!QFileInfo::exists(path))
        return {std::nullopt, {ErrFileNotFound, QStringLiteral("File not found"), 0}};
    // Never blocks on a FIFO, never reads a device or more than the bound.
    const DataFileRead read = ReadDataFile(path, MaxFileBytes);
    if (!read.bytes) {
        const QString why = read.skipped.isEmpty() ? QString() : QStringLiteral(": ") + read.skipped;
        return {std::nullopt, {ErrFileAccess, QStringLiteral("Path/File access error") + why, 0}};
    }
    return Parse(*read.bytes, log, locale);
}

QString ProposedName(const QDateTime& localNow)
{
    return QStringLiteral("SCH_") + localNow.toString(QStringLiteral("ddHHmmss"));
}

}
