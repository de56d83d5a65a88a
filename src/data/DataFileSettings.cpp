#include "DataFileSettings.h"

#include "link/SettingsStore.h"

namespace {
const QString kSection = QStringLiteral("Datafiles");
}

QString DataFileSettings::read(const QString& key, const QString& fallback) const
{
    return StoreReadText(userFile_, kSection, key, fallback);
}

void DataFileSettings::write(const QString& key, const QString& value) const
{
    StoreWrite(userFile_, kSection, key, QStringLiteral("S"), value);
}

int DataFileSettings::filter() const
{
    bool ok = false;
    const int index = read(QStringLiteral("Filter"), QStringLiteral("0")).trimmed().toInt(&ok);
    return ok ? index : 0;
}

void DataFileSettings::setFilter(int index) const { write(QStringLiteral("Filter"), QString::number(index)); }

QString DataFileSettings::delimiter() const { return read(QStringLiteral("Delimiter"), QStringLiteral("0")); }

void DataFileSettings::setDelimiter(int typeNumber) const
{
    write(QStringLiteral("Delimiter"), QString::number(typeNumber));
}

bool DataFileSettings::combineDateAndTime() const
{
    const QString text = read(QStringLiteral("CombineDateAndTime"), QStringLiteral("True")).trimmed();
    return !(text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 || text == QLatin1String("0"));
}

void DataFileSettings::setCombineDateAndTime(bool combined) const
{
    write(QStringLiteral("CombineDateAndTime"), combined ? QStringLiteral("True") : QStringLiteral("False"));
}
