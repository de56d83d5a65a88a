#pragma once
#include "ScriptedPrompts.h"
#include "TempFolder.h"
#include "shell/PerUserSettings.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

// The services every procedure is given, over a temporary data folder: a
// session log, scripted prompts, and per-user settings in an ini file there.
struct ServicesRig {
    TempFolder data;
    SessionLog log;
    ScriptedPrompts prompts;
    PerUserSettings perUser{data.file(QStringLiteral("peruser.ini"))};
    Services services{log, prompts, perUser, data.paths(), QStringLiteral("Tolvi")};
};
