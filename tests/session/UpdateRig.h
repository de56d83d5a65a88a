#pragma once
#include "FixedHttpServer.h"
#include "ScriptedPrompts.h"
#include "link/SettingsStore.h"
#include "session/UpdateCheck.h"
#include "shell/Operation.h"
#include "shell/PerUserSettings.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "shell/StartupFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

// Status-bar texts as a procedure reports them.
struct RecordingObserver : OperationObserver {
    QStringList statuses;
    QList<int> percents;
    void statusText(int panel, const QString& text) override
    {
        if (panel == 1)
            statuses << text;
    }
    void progress(int percent) override { percents << percent; }
};

// One update check against a local server: a temporary root holding the
// application folder "app", the data folder "data", a file "outside.txt"
// beside them that no list may touch, and "downloads" for opened documents.
struct UpdateRig {
    static inline const QString ListPath = QStringLiteral("/updates/Tolvi_001000.txt");

    QTemporaryDir root;
    QString app = root.filePath(QStringLiteral("app"));
    QString data = root.filePath(QStringLiteral("data"));
    SessionLog log;
    ScriptedPrompts prompts;
    PerUserSettings perUser{root.filePath(QStringLiteral("peruser.ini"))};
    Services services{log, prompts, perUser, AppPaths{app, data}, QStringLiteral("Tolvi - Karvex")};
    RecordingObserver observer;
    FixedHttpServer server;
    QStringList logTexts;
    QList<int> logLevels;
    UpdateCheckOptions options;

    UpdateRig()
    {
        QDir().mkpath(app);
        QDir().mkpath(data);
        CreateSettingsFiles(services.paths);
        write(root.filePath(QStringLiteral("outside.txt")), "outside");
        log.setListener([this](const QString& line, int level) {
            logTexts << line.section(QLatin1Char('\t'), 2);
            logLevels << level;
        });
        options.server = server.url(QStringLiteral("/updates/"));
        options.listName = QStringLiteral("Tolvi_001000.txt");
        options.downloadFolder = root.filePath(QStringLiteral("downloads"));
        QDir().mkpath(options.downloadFolder);
        options.limits.stallMs = 5000;
        options.limits.deadlineMs = 10000;
    }

    static void write(const QString& path, const QByteArray& content)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
    }
    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static QString md5(const QByteArray& content)
    {
        return QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Md5).toHex());
    }
    QString appFile(const QString& name) const { return QDir(app).filePath(name); }
    QString appSettings() const { return AppSettingsPath(services.paths); }
    void setting(const QString& key, const QString& value)
    {
        StoreWrite(appSettings(), QStringLiteral("Update"), key, QStringLiteral("S"), value);
    }
    QString setting(const QString& key) const
    {
        return StoreReadText(appSettings(), QStringLiteral("Update"), key, QStringLiteral("<absent>"));
    }

    // The list, its lines joined with CR LF; "{url}" stands for the server.
    void serveList(const QStringList& lines)
    {
        server.serve(ListPath, lines.join(QStringLiteral("\r\n")).replace(QStringLiteral("{url}"), server.url({})).toUtf8());
    }
    // A file entry "name_:_hash_:_address_:_command_:_description".
    static QString entry(const QString& name, const QString& hash, const QString& address, const QString& command,
        const QString& description = QStringLiteral("Newer file"))
    {
        return QStringList{name, hash, address, command, description}.join(QStringLiteral("_:_"));
    }

    UpdateOutcome run()
    {
        UpdateCheckContext context{services, observer, nullptr};
        return CheckForUpdates(context, options);
    }

    // Every file under the root, relative to it, with its content: what a
    // check may have changed.
    QMap<QString, QByteArray> everything() const
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(root.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files.insert(QDir(root.path()).relativeFilePath(path), read(path));
        }
        return files;
    }
    // Log texts at one level.
    QStringList logAt(int level) const
    {
        QStringList out;
        for (int i = 0; i < logTexts.size(); ++i)
            if (logLevels.at(i) == level)
                out << logTexts.at(i);
        return out;
    }
};
