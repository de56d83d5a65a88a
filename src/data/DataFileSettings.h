#pragma once
#include <QString>

// The data-file choices user.txt keeps in section "Datafiles": the format list
// index ("Filter"), the save dialog's type ("Delimiter") and whether date and
// time share one column ("CombineDateAndTime").
class DataFileSettings {
public:
    explicit DataFileSettings(QString userFile) : userFile_(std::move(userFile)) {}

    // The stored list index; "0" when missing or not a number.
    int filter() const;
    void setFilter(int index) const;
    // The stored dialog type as text ("0" = never chosen).
    QString delimiter() const;
    void setDelimiter(int typeNumber) const;
    // True unless the entry says false ("False", "0").
    bool combineDateAndTime() const;
    void setCombineDateAndTime(bool combined) const;

private:
    QString read(const QString& key, const QString& fallback) const;
    void write(const QString& key, const QString& value) const;
    QString userFile_;
};
