// The update-list parser and the readers of its lines' fields, on the list
// text as the server sends it (UTF-8).
#include "FuzzCheck.h"

#include "session/UpdateList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(Fuzz::Bytes(data, size));
    const QList<UpdateLine> lines = ParseUpdateList(text);
    int number = 0;
    for (const UpdateLine& line : lines) {
        Fuzz::Check(line.lineNumber == ++number, "lines are numbered from 1 in order");
        Fuzz::Check(!line.text.contains(QLatin1Char('\n')) && !line.text.contains(QLatin1Char('\r')),
            "a line holds no line end");
        UpdateFileEntry entry;
        if (ReadFileEntry(line, entry)) {
            Fuzz::Check(line.fields.size() >= UpdateEntryFieldCount, "a file entry has its five fields");
            Fuzz::Check(entry.command.isNull() || entry.command == entry.command.toUpper(),
                "the command letter is upper case");
        }
        if (line.kind == UpdateLine::Kind::InlineCommand) {
            ListNumber(line.argument);
            VersionListName(line.argument, line.argument);
            VersionRevision(line.argument);
        }
    }
    return 0;
}
