#pragma once
#include <QSlider>

// A horizontal slider that also shows a selected run of values (a shaded band
// between SelStart and SelStart + SelLength), as the memory range slider
// needs. Mouse presses and releases are reported with their modifiers so the
// page can start a selection on SHIFT + press and complete it on release;
// keys that move the thumb are reported with whether SHIFT was held, so a
// range can be chosen from the keyboard.
class SelectionSlider : public QSlider {
    Q_OBJECT
public:
    explicit SelectionSlider(QWidget* parent = nullptr);

    int selStart() const { return selStart_; }
    int selLength() const { return selLength_; }
    bool hasSelection() const { return selStart_ >= minimum() && selectionShown_; }
    void setSelection(int start, int length);
    void clearSelection();

Q_SIGNALS:
    void pressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void released(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    // A key moved the thumb from one value to another.
    void keyMoved(int from, int to, bool shift);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int selStart_ = 0;
    int selLength_ = 0;
    bool selectionShown_ = false;
};
