#pragma once
#include <QString>
#include <optional>

// The items of the tray icon's menu. Each reports its key text
// ("mnuSysTray_" + key names its action).
enum class TrayKey { Open, AutoConnect, DownloadAndSave, ToggleSchedule, Disconnect, Close };

QString TrayKeyText(TrayKey key);
std::optional<TrayKey> TrayKeyFromText(const QString& text);
// The items that start instrument work: off while a procedure runs.
bool StartsInstrumentWork(TrayKey key);
