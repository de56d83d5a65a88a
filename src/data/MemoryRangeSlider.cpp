#include "MemoryRangeSlider.h"

#include <algorithm>
#include <cstdlib>

void MemoryRangeSlider::mouseDown(bool leftButton, bool shift)
{
    keyAnchor_.reset();
    if (leftButton && shift) {
        selStart = value;
        selLength = 0;
        pointer = Pointer::Selecting;
        return;
    }
    dropSelection();
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

void MemoryRangeSlider::extendTo(int newValue)
{
    if (!keyAnchor_)
        keyAnchor_ = value;
    setValue(newValue);
    selStart = std::min(*keyAnchor_, value);
    selLength = std::abs(value - *keyAnchor_);
    pointer = Pointer::Cross;
    captionButtons();
}

void MemoryRangeSlider::moveTo(int newValue)
{
    setValue(newValue);
    dropSelection();
}

QString MemoryRangeSlider::positionText() const
{
    int first = value, last = value;
    if (pointer == Pointer::Selecting) {
        first = std::min(selStart, value);
        last = std::max(selStart, value);
    } else if (hasSelection()) {
        first = selStart;
        last = selStart + selLength;
    }
    if (first == last)
        return QStringLiteral("Slot %1").arg(first);
    return QStringLiteral("Slots %1 to %2 (%3 slots)").arg(first).arg(last).arg(last - first + 1);
}

void MemoryRangeSlider::select(int start, int length)
{
    keyAnchor_.reset();
    selStart = start;
    selLength = std::max(0, length);
    captionButtons();
}

void MemoryRangeSlider::clearSelection()
{
    selStart = value;
    selLength = 0;
}

void MemoryRangeSlider::dropSelection()
{
    keyAnchor_.reset();
    clearSelection();
    pointer = Pointer::Cross;
    resetButtons();
}

void MemoryRangeSlider::resetButtons()
{
    downloadCaption = defaultDownloadCaption();
    eraseCaption = defaultEraseCaption();
    downloadEnabled = false;
    eraseEnabled = false;
}

// A selection of one slot can be downloaded (the slot is read singly) but
// not erased: the erase request would ask for no slots.
void MemoryRangeSlider::captionButtons()
{
    resetButtons();
    if (selLength < 0)
        return;
    const QString range = QString::number(selStart) + QStringLiteral(" to ") + QString::number(selStart + selLength);
    downloadCaption = QStringLiteral("Download from ") + range;
    downloadEnabled = true;
    if (selLength < 1)
        return;
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
        setValue(value);
        // A selection reaching past the used slots names slots that hold nothing now.
        if (hasSelection() && selStart + selLength > max)
            dropSelection();
        // Erasing needs a selection that starts at the first slot, not just a thumb there.
        eraseEnabled = hasSelection() && eraseAllowed();
        tickFrequency = tickFrequencyFor(slotsUsed);
        return;
    }
    value = 1;
    dropSelection();
    visible = false;
}
