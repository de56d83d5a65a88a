#pragma once
#include "shell/Operation.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QStatusBar>
#include <array>

// The main window's status bar ("stsPanel"): panel 1 the connection state
// and operation messages, 2 the clock error, 3 the schedule state, 4 the
// memory use, and a progress bar for long operations. A double click on a
// panel is reported with its number (1 to 4).
class StatusPanels : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusPanels(QWidget* parent = nullptr);

    void setPanelText(int panel, const QString& text);
    QString panelText(int panel) const;
    QLabel* panel(int panel) const { return panels_.at(panel - 1); }
    // 0..100 shows the bar; -1 hides it.
    void setProgress(int percent);
    QProgressBar* progressBar() const { return progress_; }

Q_SIGNALS:
    void panelDoubleClicked(int panel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QLabel*, StatusPanel::Count> panels_{};
    QProgressBar* progress_ = nullptr;
};

// Forwards a procedure's status texts and progress from the instrument
// thread to the status bar (queued, so the procedure never waits for the GUI).
class StatusBarObserver : public OperationObserver {
public:
    explicit StatusBarObserver(StatusPanels* panels) : panels_(panels) {}
    void statusText(int panel, const QString& text) override;
    void progress(int percent) override;

private:
    QPointer<StatusPanels> panels_;
};
