#pragma once
#include "AppPaths.h"

class SessionLog;
class Prompts;
class PerUserSettings;

// The shared services a procedure may need, passed in by whoever runs it
// (the main-window model, the command line, a test). Nothing in the core
// reaches for a global instead.
struct Services {
    SessionLog& log;
    Prompts& prompts;
    PerUserSettings& perUser;
    AppPaths paths;
    QString appCaption = QStringLiteral("Tolvi");
};
