#pragma once
#include <QList>
#include <QRect>
#include <optional>

class PerUserSettings;

// Where the main window was when the program last ended: its normal
// geometry (without the frame) and whether it was maximised. Kept in the
// per-user settings, section "Window".
struct WindowPlacement {
    QRect geometry;
    bool maximized = false;
};

std::optional<WindowPlacement> StoredWindowPlacement(const PerUserSettings& perUser);
void StoreWindowPlacement(PerUserSettings& perUser, const WindowPlacement& placement);

// The wanted rectangle moved (and shrunk where needed) onto the screen it
// overlaps most, given as the screens' available areas; one that overlaps
// none goes to the first screen. A window placed on a screen that has since
// been unplugged comes back where it can be seen. No screens: unchanged.
QRect PlaceOnScreens(const QRect& wanted, const QList<QRect>& screens);

// A window of the given size beside the anchor: to its right, else to its
// left when the right side has no room, top edges aligned, kept on the
// anchor's screen.
QRect PlaceBeside(const QRect& anchor, const QSize& size, const QList<QRect>& screens);
