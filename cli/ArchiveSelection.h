#pragma once
#include "records/ArchiveExport.h"

#include <QCommandLineParser>
#include <QString>

class CliSession;

// The instrument an archive command names with --serial S: empty when it is
// missing or could name a folder outside the data folder.
QString ChosenArchiveSerial(const QCommandLineParser& parser);

// Opens the archive of the instrument and gathers the generations the
// options choose (the newest, --generation N, or --all). ExitOk with the
// slots in exported and the choice in words in origin ("generation 3 of the
// archive"); else the failure status, said.
int ExportChosenGenerations(CliSession& session, const QCommandLineParser& parser, const QString& serial,
    ArchiveExport& exported, QString& origin);
