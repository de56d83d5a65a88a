// The schedule set-up file reader, under the C locale and a comma-decimal
// one. A file it accepts sets something, within the page's ranges, and is
// written out from its values and read again: the values must survive.
#include "FuzzCheck.h"

#include "config/ScheduleFile.h"
#include "shell/SessionLog.h"

namespace {

QTime WholeSeconds(const QTime& time)
{
    return QTime(time.hour(), time.minute(), time.second());
}

void ReadAndWriteBack(const QByteArray& bytes, const QLocale& locale)
{
    SessionLog log;
    const ScheduleFile::ReadResult read = ScheduleFile::Parse(bytes, log, locale);
    if (!read.content) {
        // Line 0: the file as a whole, which holds no schedule line.
        Fuzz::Check(read.problem.number != 0 && read.problem.line >= 0 && !read.problem.description.isEmpty(),
            "a refused file names its problem");
        return;
    }
    const ScheduleFileContent& content = *read.content;
    Fuzz::Check(content.start || content.length || content.frequency || content.weekMask || content.config
            || content.comment,
        "an accepted file sets something");
    Fuzz::Check(content.frequency.value_or(0) >= 0 && content.frequency.value_or(0) <= 60
            && content.weekMask.value_or(0) >= 0 && content.weekMask.value_or(0) <= 127
            && content.config.value_or(0) >= 0 && content.config.value_or(0) <= 255,
        "an accepted value is one the page shows as it stands");
    ScheduleFileValues values;
    values.start = WholeSeconds(content.start.value_or(QTime(0, 0)));
    values.length = WholeSeconds(content.length.value_or(QTime(0, 0)));
    values.frequency = content.frequency.value_or(0);
    values.weekMask = content.weekMask.value_or(0);
    values.config = content.config.value_or(0);
    values.comment = content.comment.value_or(QString());

    const QByteArray written = (ScheduleFile::Lines(values).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
    const ScheduleFile::ReadResult again = ScheduleFile::Parse(written, log, locale);
    Fuzz::Check(again.content.has_value(), "a written file reads back");
    const ScheduleFileContent& back = *again.content;
    Fuzz::Check(back.start == values.start && back.length == values.length, "times survive writing");
    Fuzz::Check(back.frequency == values.frequency && back.weekMask == values.weekMask && back.config == values.config,
        "numbers survive writing");
    Fuzz::Check(back.comment == values.comment, "the comment survives writing");
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = Fuzz::Bytes(data, size);
    ReadAndWriteBack(bytes, QLocale::c());
    ReadAndWriteBack(bytes, QLocale(QLocale::German, QLocale::Germany));
    return 0;
}
