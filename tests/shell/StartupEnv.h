#pragma once
#include "ScriptedPrompts.h"
#include "TempFolder.h"
#include "shell/PerUserSettings.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "shell/StartupFiles.h"

#include <QFile>

// A data folder with fresh settings files, a session log that records its
// lines, scripted prompts and a per-user store in the folder.
struct StartupEnv {
    TempFolder tmp;
    SessionLog log;
    ScriptedPrompts prompts;
    PerUserSettings perUser{tmp.file(QStringLiteral("peruser.ini"))};
    Services services{log, prompts, perUser, tmp.paths()};
    QStringList logLines;  // "<marker>\t<text>" of every line

    StartupEnv()
    {
        log.setListener([this](const QString& line, int) { logLines << line.section(QLatin1Char('\t'), 1); });
        CreateSettingsFiles(tmp.paths());
    }
    QString userFile() const { return UserSettingsPath(tmp.paths()); }
    void writeUserFile(const QByteArray& bytes) const
    {
        QFile f(userFile());
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
    }
    QByteArray userFileBytes() const
    {
        QFile f(userFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool logged(const QString& markerAndText) const { return logLines.contains(markerAndText); }
};
