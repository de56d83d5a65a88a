#include "MemoryRangeSlider.h"

#include <algorithm>

void MemoryRangeSlider::mouseDown(bool leftButton, bool shift)
{
    if (leftButton && shift) {
        selStart = value;
        selLength = 0;
        pointer = Pointer::Selecting;
        return;
    }
    clearSelection();
    pointer = Pointer::Cross;
    resetButtons();
}

void MemoryRangeSlider::mouseUp(bool leftButton)
{
    if (!leftButton || pointer != Pointer::Selecting)
        return;
    if (value < selStart) {
        selLength = selStart - value;
        selStart = value;
    } else {
        selLength = value - selStart;
    }
    pointer = Pointer::Cross;
    captionButtons();
}

void MemoryRangeSlider::setValue(int newValue) { value = std::clamp(newValue, 1, std::max(1, max)); }

void MemoryRangeSlider::select(int start, int length)
{
    selStart = start;
    selLength = std::max(0, length);
    captionButtons();
}

void MemoryRangeSlider::clearSelection()
{
    selStart = value;
    selLength = 0;
}

void MemoryRangeSlider::resetButtons()
{
    downloadCaption = defaultDownloadCaption();
    eraseCaption = defaultEraseCaption();
    downloadEnabled = false;
    eraseEnabled = false;
}

void MemoryRangeSlider::captionButtons()
{
    const QString range = QString::number(selStart) + QStringLiteral(" to ") + QString::number(selStart + selLength);
    downloadCaption = QStringLiteral("Download from ") + range;
    downloadEnabled = true;
    eraseCaption = QStringLiteral("Erase from ") + range;
    eraseEnabled = eraseAllowed();
}

int MemoryRangeSlider::tickFrequencyFor(int slotsUsed)
{
    struct Band { int from, to, ticks; };
    static constexpr Band kBands[] = {
        {20, 119, 5}, {120, 1439, 30}, {1440, 4319, 60}, {4320, 7199, 480}, {7200, 14400, 720}};
    for (const Band& band : kBands) {
        if (slotsUsed >= band.from && slotsUsed <= band.to)
            return band.ticks;
    }
    return 1;
}

void MemoryRangeSlider::fitTo(int slotsUsed)
{
    if (slotsUsed >= 3) {
        max = slotsUsed;
        visible = true;
        eraseEnabled = eraseAllowed();
        tickFrequency = tickFrequencyFor(slotsUsed);
        return;
    }
    value = 1;
    clearSelection();
    visible = false;
    resetButtons();
}
