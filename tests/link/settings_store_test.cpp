#include "TempFolder.h"
#include "link/SettingsStore.h"
#include "shell/PerUserSettings.h"

#include <QFile>
#include <thread>
#include <gtest/gtest.h>

namespace {

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString writeFile(const TempFolder& tmp, const QByteArray& bytes, const QString& name = QStringLiteral("user.txt"))
{
    const QString path = tmp.file(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

QString nulList(const char* pairs) // "a=x|b=5|" -> "a=x\0b=5\0\0"
{
    QString text = QString::fromLatin1(pairs);
    text.replace(QLatin1Char('|'), QChar(0));
    return text + QChar(0);
}

} // namespace

TEST(SettingsStore, StoreNames)
{
    TempFolder tmp;
    const QString file = writeFile(tmp, "; === User Settings ===\r\n");
    struct Case { QString name; StoreHandle handle; };
    const Case cases[] = {
        {"HKCR", StoreHandle::ClassesRoot}, {"hkcu", StoreHandle::CurrentUser}, {"HkLm", StoreHandle::LocalMachine},
        {"HKU", StoreHandle::Users}, {"HKCC", StoreHandle::CurrentConfig}, {"hkdd", StoreHandle::DynamicData},
        {file, StoreHandle::TextFile}, {tmp.file("missing.txt"), StoreHandle::None}, {tmp.path(), StoreHandle::None},
        {"", StoreHandle::None}, {"HKEY", StoreHandle::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StoreHive(c.name), c.handle) << c.name.toStdString();
}

TEST(SettingsStore, NoStoreGives99AndChangesNothing)
{
    TempFolder tmp;
    const QString missing = tmp.file("user.txt");
    QVariant result;
    EXPECT_EQ(StoreRead(missing, "Password", "Valid", "S", "Unknown", result), StoreNoStore);
    EXPECT_EQ(result, QVariant("Unknown"));
    EXPECT_EQ(StoreWrite(missing, "Password", "Valid", "S", "True"), StoreNoStore);
    EXPECT_FALSE(QFile::exists(missing));
    QString text = "previous";
    EXPECT_EQ(StoreReadAll("nonsense", "Password", text), StoreNoStore);
    EXPECT_EQ(text, "previous");
}

TEST(SettingsStore, ReadsTextEntries)
{
    TempFolder tmp;
    const QByteArray longValue(300, 'v');
    const QString file = writeFile(tmp, "[Password]\nValid=True\n[Long]\r\nv=" + longValue + "\r\n[Odd]\r\nx=\xE9t\xE9");
    struct Case { const char* section; const char* name; QString expected; };
    const Case cases[] = {
        {"Password", "Valid", "True"},
        {"Password", "Value", "Unknown"},
        {"Nothing", "Valid", "Unknown"},
        {"Long", "v", QString(255, QLatin1Char('v'))},
        {"Odd", "x", QStringLiteral("\u00E9t\u00E9")},
    };
    for (const auto& c : cases) {
        QVariant result;
        const qint32 status = StoreRead(file, c.section, c.name, "S", "Unknown", result);
        EXPECT_EQ(result.toString(), c.expected) << c.section << "/" << c.name;
        EXPECT_EQ(status, c.expected.size()) << c.section << "/" << c.name;
    }
}

TEST(SettingsStore, OtherTypesOfTextEntryGiveTheirNumberAsStatus)
{
    TempFolder tmp;
    const QString file = writeFile(tmp, "[N]\r\na=12\r\nb= -7 pumps\r\nc=True\r\nd=99999999999\r\ne=\r\n");
    struct Case { const char* name; const char* type; qint32 status; };
    const Case cases[] = {
        {"a", "D", 12}, {"b", "B", -7}, {"c", "D", 0}, {"d", "D", 2147483647}, {"e", "D", 0}, {"missing", "D", 0},
    };
    for (const auto& c : cases) {
        QVariant result;
        EXPECT_EQ(StoreRead(file, "N", c.name, c.type, 42, result), c.status) << c.name;
        EXPECT_EQ(result, QVariant(42)) << c.name;
    }
}

TEST(SettingsStore, WritingKeepsEveryOtherLineAndComment)
{
    TempFolder tmp;
    const QByteArray before = "; === User Settings ===\r\n[Password]\nValid=True\n; why\r\nValue=\xF6\xF6\r\n[Datafiles]\r\nFilter=2";
    const QString file = writeFile(tmp, before);
    EXPECT_EQ(StoreWrite(file, "Password", "Valid", "S", "False"), 1);
    EXPECT_EQ(StoreWrite(file, "LastRemote", "Port", "S", 8899), 1);
    EXPECT_EQ(readBytes(file),
        QByteArray("; === User Settings ===\r\n[Password]\nValid=False\r\n; why\r\nValue=\xF6\xF6\r\n[Datafiles]\r\nFilter=2\r\n"
                   "[LastRemote]\r\nPort=8899\r\n"));
    EXPECT_EQ(StoreReadText(file, "lastremote", "port", "Unknown"), "8899");
}

TEST(SettingsStore, FailedWriteSaysSoAndLeavesTheFile)
{
    TempFolder tmp;
    const QByteArray before = "[Password]\r\nValid=True\r\n";
    const QString file = writeFile(tmp, before);
    EXPECT_EQ(StoreWrite(file, "Password", "Valid", "D", 0), 0);  // text files hold text only
    EXPECT_EQ(StoreWrite(file, "Password", "Bad=Key", "S", "x"), 0);
    EXPECT_EQ(StoreWrite(file, "Password", "Valid", "S", "False\r\n[Injected]"), 0);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    EXPECT_EQ(StoreWrite(file, "Password", "Valid", "S", "False"), 0);
    EXPECT_EQ(readBytes(file), before);
}

TEST(SettingsStore, ReadAllOfATextSection)
{
    TempFolder tmp;
    const QString file = writeFile(tmp, "[Refresh]\r\nCycles=4\r\n; c\r\nPRT = 30\r\n[refresh]\r\ncycles=9\r\nLength=5\r\n[Empty]\r\n");
    QString text;
    EXPECT_EQ(StoreReadAll(file, "Refresh", text), 25);
    EXPECT_EQ(text, nulList("Cycles=4|PRT=30|Length=5|"));
    EXPECT_EQ(StoreReadAll(file, "Empty", text), 0);
    EXPECT_EQ(text, nulList("|"));
}

TEST(SettingsStore, ReadAllOfATextSectionStopsAtTheBufferSize)
{
    TempFolder tmp;
    QByteArray bytes = "[Big]\r\n";
    for (int i = 0; i < 100; ++i)
        bytes += "k" + QByteArray::number(100 + i) + "=" + QByteArray(96, 'x') + "\r\n"; // 102 characters a pair with its NUL
    const QString file = writeFile(tmp, bytes);
    QString text;
    StoreReadAll(file, "Big", text);
    EXPECT_EQ(text.size(), 80 * 102 + 1);
    EXPECT_TRUE(text.endsWith(QString(96, QLatin1Char('x')) + QChar(0) + QChar(0)));
}

TEST(SettingsStore, SerialDeviceKeyListsTheDevicesPresent)
{
    StoreHives hives;
    hives.serialDevices = [] {
        return QList<PresentSerialDevice>{{"/dev/ttyUSB0", 33}, {"/dev/ttyS0", 1}};
    };
    QString text = "previous";
    EXPECT_EQ(StoreReadAll("HKLM", "HARDWARE\\DEVICEMAP\\SERIALCOMM", text, hives), StoreOk);
    EXPECT_EQ(text, nulList("\\dev\\ttyUSB0=COM33|\\dev\\ttyS0=COM1|"));

    QVariant result;
    EXPECT_EQ(StoreRead("hklm", "hardware\\devicemap\\serialcomm", "\\dev\\ttyS0", "S", "", result, hives), StoreOk);
    EXPECT_EQ(result, QVariant("COM1"));
    EXPECT_EQ(StoreWrite("HKLM", "HARDWARE\\DEVICEMAP\\SERIALCOMM", "x", "S", "COM9", hives), StoreAccessDenied);

    hives.serialDevices = [] { return QList<PresentSerialDevice>{}; };
    EXPECT_EQ(StoreReadAll("HKLM", "HARDWARE\\DEVICEMAP\\SERIALCOMM", text, hives), StoreOk);
    EXPECT_EQ(text, nulList("|"));

    text = "previous";
    EXPECT_EQ(StoreReadAll("HKLM", "HARDWARE\\DEVICEMAP\\SERIALCOMM", text, {}), StoreMissing);
    EXPECT_EQ(text, "previous");
}

TEST(SettingsStore, OtherHivesUseThePerUserSettings)
{
    TempFolder tmp;
    PerUserSettings perUser(tmp.file("peruser.ini"));
    StoreHives hives;
    hives.perUser = &perUser;
    const QString key = "Software\\Karvex\\Tolvi";

    EXPECT_EQ(StoreWrite("HKCU", key, "a", "S", "x", hives), StoreOk);
    EXPECT_EQ(StoreWrite("HKCU", key, "b", "D", 5, hives), StoreOk);
    EXPECT_EQ(StoreWrite("HKCU", key, "c", "B", true, hives), StoreOk);
    EXPECT_EQ(StoreWrite("HKCU", key, "d", "B", false, hives), StoreOk);

    struct Case { const char* name; const char* type; QVariant expected; qint32 status; };
    const Case cases[] = {
        {"a", "S", "x", StoreOk}, {"b", "D", 5, StoreOk}, {"c", "B", true, StoreOk}, {"d", "B", false, StoreOk},
        {"b", "S", "5", StoreOk}, {"a", "D", "default", StoreInvalidData}, {"c", "S", "default", StoreInvalidData},
        {"missing", "S", "default", StoreMissing},
    };
    for (const auto& c : cases) {
        QVariant result;
        EXPECT_EQ(StoreRead("HKCU", key, c.name, c.type, "default", result, hives), c.status) << c.name << c.type;
        EXPECT_EQ(result, c.expected) << c.name << c.type;
    }
    QVariant result;
    EXPECT_EQ(StoreRead("HKLM", key, "a", "S", "default", result, hives), StoreMissing); // hives are separate

    QString text;
    EXPECT_EQ(StoreReadAll("HKCU", key, text, hives), StoreOk);
    EXPECT_EQ(text, nulList("a=x|b=5|c=65535|d=0|"));
    text = "previous";
    EXPECT_EQ(StoreReadAll("HKCU", "Software\\Nobody", text, hives), StoreMissing);
    EXPECT_EQ(text, "previous");
}

TEST(SettingsStore, WritesFromTwoThreadsAreNotLost)
{
    TempFolder tmp;
    const QString file = writeFile(tmp, "; === User Settings ===\r\n");
    const auto writer = [&](const char* section) {
        for (int i = 0; i < 40; ++i)
            StoreWrite(file, section, QStringLiteral("k%1").arg(i), "S", i);
    };
    std::thread other(writer, "Instrument");
    writer("Window");
    other.join();
    QString text;
    for (const char* section : {"Instrument", "Window"}) {
        StoreReadAll(file, section, text);
        EXPECT_EQ(text.count(QChar(0)), 41) << section;
    }
}
