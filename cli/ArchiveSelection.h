#pragma once
#include "records/ArchiveExport.h"
#include "records/ArchiveStore.h"

#include <QCommandLineParser>
#include <QString>
#include <optional>

class CliSession;

// --archive-db URL, an option of every command that uses the archive.
QCommandLineOption ArchiveDatabaseOption();
// Where the archives are: --archive-db when given, else the settings
// ("Database" in the "Archive" section of user.txt or app.txt), else the
// record folders. nullopt after an error line when the address given
// cannot be used.
std::optional<ArchiveStore> ChosenArchiveStore(CliSession& session, const QCommandLineParser& parser);

// The instrument an archive command names with --serial S: empty when it is
// missing or could name a folder outside the data folder.
QString ChosenArchiveSerial(const QCommandLineParser& parser);

// Opens the archive of the instrument and gathers the generations the
// options choose (the newest, --generation N, or --all). ExitOk with the
// slots in exported and the choice in words in origin ("generation 3 of the
// archive"); else the failure status, said.
int ExportChosenGenerations(CliSession& session, const QCommandLineParser& parser, const ArchiveStore& store,
    const QString& serial, ArchiveExport& exported, QString& origin);
