#pragma once
#include <QToolButton>
#include <QWidget>

// An up-down control: two arrow buttons that step a whole number by 1
// within a range, with no text of its own (a label beside it shows the
// value in its own units). The arrow keys and the wheel step it too.
class UpDownControl : public QWidget {
    Q_OBJECT
public:
    explicit UpDownControl(const QString& name, int minimum, int maximum, QWidget* parent = nullptr);

    int value() const { return value_; }
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    // Sets the value (kept within the range) without announcing it.
    void setValue(int value);
    // Steps as a click on an arrow does: announces the new value.
    void stepBy(int steps);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

Q_SIGNALS:
    // A change made by the user.
    void valueChanged(int value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateArrows();

    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    int minimum_ = 0, maximum_ = 0, value_ = 0;
};
