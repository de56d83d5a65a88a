#include "SettingsStore.h"

#include "shell/IniFile.h"
#include "shell/PerUserSettings.h"
#include "shell/SettingsFile.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <limits>
#include <optional>

namespace {

const QString kSerialDeviceKey = QStringLiteral("HARDWARE\\DEVICEMAP\\SERIALCOMM");

struct HiveName {
    const char* name;
    StoreHandle handle;
};
constexpr HiveName kHives[] = {
    {"HKCR", StoreHandle::ClassesRoot}, {"HKCU", StoreHandle::CurrentUser}, {"HKLM", StoreHandle::LocalMachine},
    {"HKU", StoreHandle::Users}, {"HKCC", StoreHandle::CurrentConfig}, {"HKDD", StoreHandle::DynamicData},
};

QString hiveName(StoreHandle handle)
{
    for (const auto& hive : kHives)
        if (hive.handle == handle)
            return QString::fromLatin1(hive.name);
    return {};
}

bool isType(const QString& type, char letter)
{
    return type.compare(QString(QLatin1Char(letter)), Qt::CaseInsensitive) == 0;
}

// "a\\b\\c" with stray separators removed, as a per-user settings group "a/b/c".
QString keyGroup(StoreHandle hive, const QString& keyPath)
{
    QStringList parts = keyPath.split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts);
    parts.prepend(hiveName(hive));
    return parts.join(QLatin1Char('/'));
}

bool isSerialDeviceKey(StoreHandle hive, const QString& keyPath)
{
    const QString normalised = keyPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\'));
    return hive == StoreHandle::LocalMachine && normalised.compare(kSerialDeviceKey, Qt::CaseInsensitive) == 0;
}

// The serial devices as registry values: "\dev\ttyUSB0" = "COM33".
QList<IniFile::Entry> serialDeviceValues(const StoreHives& hives)
{
    QList<IniFile::Entry> values;
    for (const PresentSerialDevice& device : hives.serialDevices()) {
        QString name = device.devicePath;
        name.replace(QLatin1Char('/'), QLatin1Char('\\'));
        if (!name.startsWith(QLatin1Char('\\')))
            name.prepend(QLatin1Char('\\'));
        values.append({name, QStringLiteral("COM%1").arg(device.portNumber)});
    }
    return values;
}

// A stored value as a number: numbers and numeric text as themselves,
// booleans as 0 / -1, binary data of one or two bytes as an unsigned
// little-endian number. nullopt for anything else.
std::optional<qint64> numberOf(const QVariant& value)
{
    if (value.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = value.toByteArray();
        if (bytes.isEmpty() || bytes.size() > 2)
            return std::nullopt;
        qint64 n = quint8(bytes[0]);
        if (bytes.size() == 2)
            n |= qint64(quint8(bytes[1])) << 8;
        return n;
    }
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? -1 : 0;
    bool ok = false;
    const qint64 n = value.toString().trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

qint32 clampToInt32(qint64 n)
{
    return qint32(std::clamp<qint64>(n, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

// The leading integer of an entry ("12 pumps" gives 12), 0 when there is none.
qint32 leadingInteger(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype end = (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) ? 1 : 0;
    while (end < t.size() && t[end].isDigit() && t[end].unicode() < 128)
        ++end;
    bool ok = false;
    const qint64 n = t.left(std::min<qsizetype>(end, 19)).toLongLong(&ok);
    return ok ? clampToInt32(n) : 0;
}

QString cutToMaxLength(const QString& text)
{
    if (text.size() <= StoreMaxTextLength)
        return text;
    QString cut = text.left(StoreMaxTextLength);
    if (cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

QString pairList(const QList<IniFile::Entry>& pairs, int capacity)
{
    QString text;
    for (const auto& [name, data] : pairs) {
        const QString pair = name + QLatin1Char('=') + data + QChar(0);
        if (capacity > 0 && text.size() + pair.size() + 1 > capacity)
            break;
        text += pair;
    }
    if (text.isEmpty())
        text += QChar(0);
    text += QChar(0);
    return text;
}

// ---- hives ----

qint32 readHive(StoreHandle hive, const QString& keyPath, const QString& name, const QString& type,
    QVariant& result, const StoreHives& hives)
{
    QVariant stored;
    if (isSerialDeviceKey(hive, keyPath)) {
        if (!hives.serialDevices)
            return StoreMissing;
        for (const auto& [valueName, data] : serialDeviceValues(hives))
            if (valueName.compare(name, Qt::CaseInsensitive) == 0)
                stored = data;
    } else if (hives.perUser && hives.perUser->contains(keyGroup(hive, keyPath), name)) {
        stored = hives.perUser->value(keyGroup(hive, keyPath), name);
    }
    if (!stored.isValid())
        return StoreMissing;

    if (isType(type, 'S')) {
        if (stored.typeId() == QMetaType::QByteArray)
            return StoreInvalidData;
        result = stored.toString();
        return StoreOk;
    }
    const auto number = numberOf(stored);
    if (!number || !(isType(type, 'B') || isType(type, 'D')))
        return StoreInvalidData;
    result = isType(type, 'B') ? QVariant(*number != 0) : QVariant(clampToInt32(*number));
    return StoreOk;
}

qint32 writeHive(StoreHandle hive, const QString& keyPath, const QString& name, const QString& type,
    const QVariant& value, const StoreHives& hives)
{
    if (isSerialDeviceKey(hive, keyPath) || !hives.perUser)
        return StoreAccessDenied;
    QVariant stored;
    if (isType(type, 'S'))
        stored = value.toString();
    else if (isType(type, 'B'))
        stored = QByteArray(2, value.toBool() ? char(0xFF) : char(0));
    else if (isType(type, 'D'))
        stored = qint32(value.toLongLong());
    else
        return StoreInvalidData;
    hives.perUser->setValue(keyGroup(hive, keyPath), name, stored);
    return StoreOk;
}

qint32 readAllHive(StoreHandle hive, const QString& keyPath, QString& text, const StoreHives& hives)
{
    QList<IniFile::Entry> pairs;
    if (isSerialDeviceKey(hive, keyPath)) {
        if (!hives.serialDevices)
            return StoreMissing;
        pairs = serialDeviceValues(hives);
    } else {
        const QString group = keyGroup(hive, keyPath);
        if (!hives.perUser)
            return StoreMissing;
        const QStringList names = hives.perUser->keys(group);
        if (names.isEmpty())
            return StoreMissing;
        for (const QString& name : names) {
            // Text as text; numbers, booleans and short binary data as decimal
            // numbers; other kinds of value are left out.
            const QVariant stored = hives.perUser->value(group, name);
            if (stored.typeId() == QMetaType::QString)
                pairs.append({name, stored.toString()});
            else if (const auto number = numberOf(stored))
                pairs.append({name, QString::number(*number)});
        }
    }
    text = pairList(pairs, 0);
    return StoreOk;
}

} // namespace

StoreHandle StoreHive(const QString& store)
{
    for (const auto& hive : kHives)
        if (store.compare(QLatin1String(hive.name), Qt::CaseInsensitive) == 0)
            return hive.handle;
    if (!store.isEmpty() && QFileInfo(store).isFile())
        return StoreHandle::TextFile;
    return StoreHandle::None;
}

qint32 StoreRead(const QString& store, const QString& section, const QString& name, const QString& type,
    const QVariant& defaultValue, QVariant& result, const StoreHives& hives)
{
    result = defaultValue;
    const StoreHandle handle = StoreHive(store);
    if (handle == StoreHandle::None)
        return StoreNoStore;
    if (handle != StoreHandle::TextFile)
        return readHive(handle, section, name, type, result, hives);

    const auto entry = ReadSettingsEntry(store, section, name);
    if (!isType(type, 'S'))
        return entry ? leadingInteger(*entry) : 0;
    if (entry)
        result = cutToMaxLength(*entry);
    return qint32(result.toString().size());
}

qint32 StoreWrite(const QString& store, const QString& section, const QString& name, const QString& type,
    const QVariant& value, const StoreHives& hives)
{
    const StoreHandle handle = StoreHive(store);
    if (handle == StoreHandle::None)
        return StoreNoStore;
    if (handle != StoreHandle::TextFile)
        return writeHive(handle, section, name, type, value, hives);

    if (!isType(type, 'S'))
        return 0;
    return WriteSettingsEntry(store, section, name, value.toString()) ? 1 : 0;
}

qint32 StoreReadAll(const QString& store, const QString& section, QString& text, const StoreHives& hives)
{
    const StoreHandle handle = StoreHive(store);
    if (handle == StoreHandle::None)
        return StoreNoStore;
    if (handle != StoreHandle::TextFile)
        return readAllHive(handle, section, text, hives);

    const auto file = IniFile::load(store);
    const QList<IniFile::Entry> pairs = file ? file->entries(section) : QList<IniFile::Entry>{};
    text = pairList(pairs, StoreSectionBufferLength);
    return text.size() == 2 && text[0].isNull() ? 0 : qint32(text.size() - 1);
}

QString StoreReadText(const QString& store, const QString& section, const QString& name, const QString& fallback,
    const StoreHives& hives)
{
    QVariant result;
    StoreRead(store, section, name, QStringLiteral("S"), fallback, result, hives);
    return result.toString();
}
