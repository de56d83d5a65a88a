// The sectioned settings-file reader ("app.txt", "user.txt", the record
// files). The input is the file; after Fuzz::ArgumentsMark may follow
// "section", "key" and "value" (separated by NUL bytes) for a change that is
// made, saved and read back.
#include "FuzzCheck.h"

#include "shell/IniFile.h"

namespace {

void CheckEntriesReadBack(const IniFile& file)
{
    for (const QString& section : file.sections()) {
        for (const IniFile::Entry& entry : file.entries(section)) {
            const auto value = file.value(section, entry.first);
            Fuzz::Check(value && *value == entry.second, "a listed entry reads as listed");
        }
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto [bytes, arguments] = Fuzz::SplitArguments(Fuzz::Bytes(data, size));
    IniFile file = IniFile::fromBytes(bytes);
    Fuzz::Check(file.toBytes() == bytes, "an unchanged file saves byte for byte");
    CheckEntriesReadBack(file);
    if (arguments.isNull())
        return 0;

    const QList<QByteArray> parts = arguments.split('\0');
    const QString section = QString::fromUtf8(parts.value(0));
    const QString key = QString::fromUtf8(parts.value(1));
    const QString value = QString::fromUtf8(parts.value(2));
    if (!file.setValue(section, key, value))
        return 0;
    IniFile saved = IniFile::fromBytes(file.toBytes());
    Fuzz::Check(saved.value(section, key) == value.trimmed(), "a stored value reads back from the saved file");
    CheckEntriesReadBack(saved);

    Fuzz::Check(saved.removeKey(section, key), "a stored key can be removed");
    Fuzz::Check(!IniFile::fromBytes(saved.toBytes()).contains(section, key), "a removed key stays removed");
    Fuzz::Check(saved.removeSection(section), "the section of a stored key can be removed");
    Fuzz::Check(!IniFile::fromBytes(saved.toBytes()).sections().contains(section.trimmed(), Qt::CaseInsensitive),
        "a removed section stays removed");
    return 0;
}
