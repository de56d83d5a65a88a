#include "TextFile.h"

#include "AppPaths.h"
#include "SessionLog.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

bool WriteLineToFile(const AppPaths& paths, SessionLog* log, const QString& path, const QString& line,
    bool overwrite, bool verbose)
{
    const QString full = paths.resolve(path);
    // A device or FIFO in a data file's place is not written (a FIFO would
    // block the open until some program read it).
    if (QFileInfo info(full); info.exists() && !info.isFile())
        return false;
    QFile file(full);
    const auto mode = QIODevice::WriteOnly | (overwrite ? QIODevice::Truncate : QIODevice::Append);
    bool ok = file.open(mode);
    if (ok)
        ok = file.write((line + QStringLiteral("\r\n")).toUtf8()) >= 0 && file.flush();
    file.close();
    if (log && verbose) {
        log->debugMessage(QStringLiteral("Data written to ") + full + QStringLiteral(":"), SessionLog::Info);
        log->debugMessage(QStringLiteral("\t\"") + line + QStringLiteral("\""), SessionLog::Info);
    }
    return ok;
}

bool WriteFileAtomically(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // commit() does not report a failed final flush, so flush first: a full
    // disk must not rename a short temporary over the old file.
    if (file.write(content) != content.size() || !file.flush())
        return false;
    return file.commit();
}
