#include "PacketArchive.h"

#include "shell/OutputFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ZipArchive = std::unique_ptr<zip_t, ArchiveCloser>;

PackResult ZipFailure(zip_error_t* error, const QString& what)
{
    PackResult result;
    result.zipError = zip_error_code_zip(error);
    result.message = what + QStringLiteral(": ") + QString::fromLocal8Bit(zip_error_strerror(error));
    return result;
}

// Adds the folders and files under dir as prefix + name; files first, then folders, by name.
bool AddTree(zip_t* archive, const QDir& dir, const QString& prefix, PackResult& failure)
{
    const QFileInfoList entries = dir.entryInfoList(
        QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name | QDir::DirsLast);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink())
            continue;
        const QString name = prefix + entry.fileName();
        if (entry.isDir()) {
            if (zip_dir_add(archive, name.toUtf8().constData(), ZIP_FL_ENC_UTF_8) < 0) {
                failure = ZipFailure(zip_get_error(archive), QStringLiteral("Could not add ") + name);
                return false;
            }
            if (!AddTree(archive, QDir(entry.filePath()), name + QLatin1Char('/'), failure))
                return false;
            continue;
        }
        zip_source_t* source = zip_source_file(archive, QFile::encodeName(entry.filePath()).constData(), 0, -1);
        if (!source || zip_file_add(archive, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            failure = ZipFailure(zip_get_error(archive), QStringLiteral("Could not add ") + name);
            zip_source_free(source);
            return false;
        }
    }
    return true;
}

}

PackResult PackFolder(const QString& folder, const QString& archivePath)
{
    const QFileInfo target(archivePath);
    // A device or FIFO is written in place, so the archive is built in the
    // temporary folder rather than beside it (where it would be renamed over it).
    const bool inPlace = IsInPlaceTarget(archivePath) || IsStandardOutput(archivePath);
    const QDir workFolder = inPlace ? QDir::temp() : QDir(target.absolutePath());
    // A name of our own; the archiver replaces it when it closes.
    QTemporaryFile temporary(workFolder.filePath(QStringLiteral(".") + (inPlace ? QStringLiteral("archive") : target.fileName())
        + QStringLiteral(".XXXXXX")));
    if (!temporary.open()) {
        PackResult failure;
        failure.message = QStringLiteral("Could not create a file in ") + target.absolutePath() + QStringLiteral(": ")
            + temporary.errorString();
        return failure;
    }
    temporary.close();
    const QByteArray temporaryName = QFile::encodeName(temporary.fileName());

    int openError = 0;
    ZipArchive archive(zip_open(temporaryName.constData(), ZIP_TRUNCATE, &openError));
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, openError);
        PackResult failure = ZipFailure(&error, QStringLiteral("Could not start the archive"));
        zip_error_fini(&error);
        return failure;
    }
    PackResult failure;
    if (!AddTree(archive.get(), QDir(folder), QString(), failure))
        return failure;
    if (zip_close(archive.get()) < 0)
        return ZipFailure(zip_get_error(archive.get()), QStringLiteral("Could not write the archive"));
    archive.release();   // closed: nothing left to discard

    if (inPlace) {
        QFile built(temporary.fileName());
        if (!built.open(QIODevice::ReadOnly) || !WriteOutputFile(archivePath, built.readAll())) {
            failure.message = QStringLiteral("Could not write ") + archivePath;
            return failure;
        }
        PackResult done;
        done.ok = true;
        return done;
    }
    if (std::rename(temporaryName.constData(), QFile::encodeName(target.absoluteFilePath()).constData()) != 0) {
        failure.message = QStringLiteral("Could not replace ") + archivePath + QStringLiteral(": ")
            + QString::fromLocal8Bit(std::strerror(errno));
        return failure;
    }
    temporary.setAutoRemove(false);   // renamed into place
    PackResult done;
    done.ok = true;
    return done;
}
