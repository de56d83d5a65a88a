#pragma once
#include <QByteArray>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <zip.h>

// The entries of a ZIP archive as libzip reads them: name -> content
// (folders with an empty content). Empty when the archive cannot be opened
// or an entry cannot be read.
inline QMap<QString, QByteArray> ArchiveEntries(const QString& path)
{
    QMap<QString, QByteArray> entries;
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive)
        return entries;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_file_t* file = nullptr;
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &stat) != 0
            || !(file = zip_fopen_index(archive, zip_uint64_t(i), 0))) {
            entries.clear();
            break;
        }
        QByteArray content(qsizetype(stat.size), '\0');
        const zip_int64_t read = zip_fread(file, content.data(), stat.size);
        zip_fclose(file);
        if (read != zip_int64_t(stat.size)) {
            entries.clear();
            break;
        }
        entries.insert(QString::fromUtf8(stat.name), content);
    }
    zip_discard(archive);
    return entries;
}

// The lines of a text entry, split at CR LF.
inline QStringList EntryLines(const QByteArray& content)
{
    QStringList lines = QString::fromUtf8(content).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();   // after the last line end
    return lines;
}

// What a tool printed and how it ended; exitCode -1 when it could not run.
struct ToolRun {
    int exitCode = -1;
    QString out;
};

inline ToolRun RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    return run;
}
