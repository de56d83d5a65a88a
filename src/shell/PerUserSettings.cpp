#include "PerUserSettings.h"

#include "DataFileRead.h"

#include <QStandardPaths>

namespace {
const QString Organisation = QStringLiteral("Karvex");

// Where the platform's store keeps the values, found without opening it
// (QSettings reads its file as soon as it is made).
QString PlatformStorePath(const QString& appTitle)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + Organisation
        + QLatin1Char('/') + appTitle + QStringLiteral(".conf");
}

QString keyPath(const QString& section, const QString& key)
{
    return section.isEmpty() ? key : section + QLatin1Char('/') + key;
}
} // namespace

PerUserSettings::PerUserSettings(const QString& iniFile, const QString& appTitle)
    : fileName_(iniFile.isEmpty() ? PlatformStorePath(appTitle) : iniFile)
{
    skipped_ = ReadDataFile(fileName_).skipped;
    if (!skipped_.isEmpty())
        return;
    settings_ = iniFile.isEmpty() ? std::make_unique<QSettings>(Organisation, appTitle)
                                  : std::make_unique<QSettings>(iniFile, QSettings::IniFormat);
}

QVariant PerUserSettings::value(const QString& section, const QString& key, const QVariant& fallback) const
{
    if (!settings_)
        return unsaved_.value(keyPath(section, key), fallback);
    return settings_->value(keyPath(section, key), fallback);
}

void PerUserSettings::setValue(const QString& section, const QString& key, const QVariant& value)
{
    if (!settings_) {
        unsaved_.insert(keyPath(section, key), value);
        return;
    }
    settings_->setValue(keyPath(section, key), value);
    settings_->sync();
}

void PerUserSettings::remove(const QString& section, const QString& key)
{
    const QString path = keyPath(section, key);
    if (!settings_) {
        // As QSettings does: a group goes with everything under it.
        unsaved_.remove(path);
        for (auto it = unsaved_.begin(); it != unsaved_.end();)
            it = it.key().startsWith(path + QLatin1Char('/')) ? unsaved_.erase(it) : std::next(it);
        return;
    }
    settings_->remove(path);
    settings_->sync();
}

bool PerUserSettings::contains(const QString& section, const QString& key) const
{
    if (!settings_)
        return unsaved_.contains(keyPath(section, key));
    return settings_->contains(keyPath(section, key));
}

QStringList PerUserSettings::keys(const QString& section) const
{
    if (!settings_) {
        QStringList k;
        const QString prefix = keyPath(section, QString());
        for (auto it = unsaved_.cbegin(); it != unsaved_.cend(); ++it)
            if (it.key().startsWith(prefix) && !it.key().mid(prefix.size()).contains(QLatin1Char('/')))
                k << it.key().mid(prefix.size());
        return k;
    }
    settings_->beginGroup(section);
    const QStringList k = settings_->childKeys();
    settings_->endGroup();
    return k;
}
