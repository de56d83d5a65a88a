#pragma once
#include <QList>
#include <QString>

// An instrument whose record folder holds an archive.
struct ArchiveLocation {
    QString serial;
    QString path;
};

// The archives in the data folder, by serial number: every record folder
// with an "archive.sqlite" entry, whatever kind of file it is (opening it
// says whether it can be read).
QList<ArchiveLocation> ArchivesIn(const QString& dataFolder);
