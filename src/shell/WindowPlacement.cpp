#include "WindowPlacement.h"

#include "PerUserSettings.h"

namespace {
const QString Section = QStringLiteral("Window");
// Smaller than this is no usable main window: a damaged entry.
constexpr int MinimumSide = 100;

qint64 overlapArea(const QRect& a, const QRect& b)
{
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : qint64(both.width()) * both.height();
}

QRect screenFor(const QRect& wanted, const QList<QRect>& screens)
{
    QRect best = screens.constFirst();
    qint64 bestArea = 0;
    for (const QRect& screen : screens) {
        const qint64 area = overlapArea(wanted, screen);
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    return best;
}

// The rectangle shrunk to the screen's size and moved inside it.
QRect keptInside(QRect rect, const QRect& screen)
{
    rect.setWidth(qMin(rect.width(), screen.width()));
    rect.setHeight(qMin(rect.height(), screen.height()));
    rect.moveLeft(qBound(screen.left(), rect.left(), screen.right() - rect.width() + 1));
    rect.moveTop(qBound(screen.top(), rect.top(), screen.bottom() - rect.height() + 1));
    return rect;
}
} // namespace

std::optional<WindowPlacement> StoredWindowPlacement(const PerUserSettings& perUser)
{
    bool ok[4] = {};
    const int left = perUser.value(Section, QStringLiteral("Left")).toInt(&ok[0]);
    const int top = perUser.value(Section, QStringLiteral("Top")).toInt(&ok[1]);
    const int width = perUser.value(Section, QStringLiteral("Width")).toInt(&ok[2]);
    const int height = perUser.value(Section, QStringLiteral("Height")).toInt(&ok[3]);
    if (!(ok[0] && ok[1] && ok[2] && ok[3]) || width < MinimumSide || height < MinimumSide)
        return std::nullopt;
    WindowPlacement placement;
    placement.geometry = QRect(left, top, width, height);
    placement.maximized = perUser.value(Section, QStringLiteral("Maximized")).toString() == QLatin1String("True");
    return placement;
}

void StoreWindowPlacement(PerUserSettings& perUser, const WindowPlacement& placement)
{
    perUser.setValue(Section, QStringLiteral("Left"), placement.geometry.left());
    perUser.setValue(Section, QStringLiteral("Top"), placement.geometry.top());
    perUser.setValue(Section, QStringLiteral("Width"), placement.geometry.width());
    perUser.setValue(Section, QStringLiteral("Height"), placement.geometry.height());
    perUser.setValue(Section, QStringLiteral("Maximized"),
        placement.maximized ? QStringLiteral("True") : QStringLiteral("False"));
}

QRect PlaceOnScreens(const QRect& wanted, const QList<QRect>& screens)
{
    if (screens.isEmpty())
        return wanted;
    return keptInside(wanted, screenFor(wanted, screens));
}

QRect PlaceBeside(const QRect& anchor, const QSize& size, const QList<QRect>& screens)
{
    QRect right(QPoint(anchor.right() + 1, anchor.top()), size);
    if (screens.isEmpty())
        return right;
    const QRect screen = screenFor(anchor, screens);
    if (right.right() > screen.right()) {
        const QRect left(QPoint(anchor.left() - size.width(), anchor.top()), size);
        if (left.left() >= screen.left())
            return keptInside(left, screen);
    }
    return keptInside(right, screen);
}
