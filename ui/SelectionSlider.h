#pragma once
#include <QSlider>

// A horizontal slider that also shows a selected run of values (a shaded band
// between SelStart and SelStart + SelLength), as the memory range slider
// needs. Mouse presses and releases are reported with their modifiers so the
// page can start a selection on SHIFT + press and complete it on release.
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

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int selStart_ = 0;
    int selLength_ = 0;
    bool selectionShown_ = false;
};
