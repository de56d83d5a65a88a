#pragma once
#include <QString>
#include <optional>

// The range slider of the Download page over the used slots, with its SHIFT-drag
// selection of a portion (slots selStart to selStart + selLength inclusive),
// and the two portion buttons whose captions and enable states follow it.
// A download portion may be one slot (read singly); an erase portion needs
// two, as the erase request asks for selLength slots.
class MemoryRangeSlider {
public:
    enum class Pointer { Cross, Selecting };

    int max = 10;
    int value = 1;
    int selStart = 0;
    int selLength = 0;
    int tickFrequency = 1;
    bool visible = false;
    Pointer pointer = Pointer::Cross;

    QString downloadCaption = defaultDownloadCaption();
    bool downloadEnabled = false;
    QString eraseCaption = defaultEraseCaption();
    bool eraseEnabled = false;

    static QString defaultDownloadCaption() { return QStringLiteral("Download Memory Portion"); }
    static QString defaultEraseCaption() { return QStringLiteral("Erase Memory Portion"); }
    // Said when a portion action finds no portion it can act on.
    static inline const QString NoPortionText =
        QStringLiteral("No portion of memory is selected: hold SHIFT while dragging the slider (or press SHIFT and "
                       "the arrow keys) to select the slots.");

    // Pointer pressed: the left button with SHIFT starts a selection at the
    // thumb; anything else clears the selection and both portion buttons.
    void mouseDown(bool leftButton, bool shift);
    // Pointer released: completes a started selection (either drag direction)
    // and captions both portion buttons with its range.
    void mouseUp(bool leftButton);
    // Drag of the thumb (clamped to 1..max).
    void setValue(int newValue);

    // SHIFT with an arrow (or page, home, end) key: the thumb moves to
    // newValue and the selection runs from where the thumb stood at the
    // first such key to it.
    void extendTo(int newValue);
    // The same key without SHIFT: the thumb moves and the selection is dropped.
    void moveTo(int newValue);

    // What the slider shows beside the thumb while it moves: the slots a
    // selection being made covers, else the slot under the thumb.
    QString positionText() const;

    // A selection set directly (the command line's --from/--to): selStart..selStart+length.
    void select(int start, int length);
    void clearSelection();
    // No selection, both portion buttons back to their captions and disabled
    // (a plain click, an erase, a disconnect).
    void dropSelection();

    // Fits the slider to the used slots: shown with ticks from 3 used slots on,
    // else hidden with both portion buttons reset.
    void fitTo(int slotsUsed);
    static int tickFrequencyFor(int slotsUsed);
    // Erasing a portion always starts at the first slot.
    bool eraseAllowed() const { return selStart == 1; }
    bool hasSelection() const { return downloadEnabled; }

private:
    void resetButtons();
    void captionButtons();
    std::optional<int> keyAnchor_;   // where the thumb stood at the first SHIFT key
};
