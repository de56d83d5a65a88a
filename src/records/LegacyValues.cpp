#include "LegacyValues.h"

#include "shell/PerUserSettings.h"

namespace {

const char* const MovedNames[] = {"LC", "FW", "PC", "FRAMResets", "mgm_p", "mgm_m", "mgm_r", "mgm_k"};

QString read(const PerUserSettings& perUser, const QString& section, const char* name, const QString& fallback)
{
    return perUser.value(section, QString::fromLatin1(name), fallback).toString();
}

} // namespace

QString LegacySection(const QString& serialNumber)
{
    return QStringLiteral("Instrument\\") + serialNumber;
}

LegacyValues ReadLegacyValues(const PerUserSettings& perUser, const QString& serialNumber)
{
    const QString section = LegacySection(serialNumber);
    LegacyValues v;
    v.firstConnected = read(perUser, section, "FC", v.firstConnected);
    v.present = v.firstConnected != QStringLiteral("Never");
    v.lastConnected = read(perUser, section, "LC", v.lastConnected);
    v.firmware = read(perUser, section, "FW", v.firmware);
    v.counter = read(perUser, section, "PC", v.counter);
    v.framResets = read(perUser, section, "FRAMResets", v.framResets);
    v.mgmP = read(perUser, section, "mgm_p", v.mgmP);
    v.mgmM = read(perUser, section, "mgm_m", v.mgmM);
    v.mgmR = read(perUser, section, "mgm_r", v.mgmR);
    v.mgmK = read(perUser, section, "mgm_k", v.mgmK);
    if (v.present) {
        v.settingsFramResets = read(perUser, section, "FRAMResets", v.settingsFramResets);
        v.settingRtc = read(perUser, section, "SettingRTC", v.settingRtc);
    }
    return v;
}

void RemoveLegacyValues(PerUserSettings& perUser, const QString& serialNumber)
{
    const QString section = LegacySection(serialNumber);
    perUser.remove(section, QStringLiteral("FC"));
    for (const char* name : MovedNames)
        if (perUser.contains(section, QString::fromLatin1(name)))
            perUser.remove(section, QString::fromLatin1(name));
    perUser.remove(QString(), section);
}
