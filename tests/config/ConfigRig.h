#pragma once
#include "../data/SimRig.h"
#include "config/SensorRefresh.h"
#include "shell/StartupFiles.h"

// The simulated instrument on a pseudo-terminal with everything the service
// functions are given, and the application settings file they read.
class ConfigRig : public SimRig {
public:
    // "app.txt" with the given content (CR LF lines); an empty text leaves
    // the file without a "Refresh" section.
    void writeAppSettings(const QByteArray& content)
    {
        WriteFileAtomically(appSettings(), "[Ports]\r\n" + content);
    }
    QString appSettings() const { return AppSettingsPath(tmp.paths()); }

    // A refresh with short pauses between the leave and restore attempts.
    SensorRefreshContext refresh(int attempts = 6)
    {
        ProtocolTiming timing = link.timing();
        timing.testModeRetryPauseSeconds = 0.02;
        timing.testModeAttempts = attempts;
        link.setTiming(timing);
        return SensorRefreshContext{services, link, info, observer, cancel, QStringLiteral("Schedule: Disabled")};
    }
};
