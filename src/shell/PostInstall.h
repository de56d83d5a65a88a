#pragma once
#include <QDateTime>
#include <functional>

class PerUserSettings;
struct Services;

// The run-once steps after an installation: asked for by the installer (or
// the "-p" option) through the per-user entry "Startup"/"PostInstall".
bool PostInstallRequested(const PerUserSettings& perUser);
void RequestPostInstall(PerUserSettings& perUser);

// Runs the post-install steps with their own log file in the data folder
// ("postinst_" + yymmddhhnnss + ".log"): moves a password kept by an older
// version from the per-user settings into "user.txt" (asking whether to keep
// requiring it), or asks whether to use a password at all, calling
// chooseNewPassword (the password dialog in new-password mode) on Yes. Then
// removes the "Startup" entries and switches back to the session log.
void RunPostInstall(Services& services, const std::function<void()>& chooseNewPassword,
    const QDateTime& now = QDateTime::currentDateTime());
