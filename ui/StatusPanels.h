#pragma once
#include "shell/Operation.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolButton>
#include <array>

class SessionLog;

// The main window's status bar ("stsPanel"): panel 1 the connection state
// and operation messages, 2 the clock error, 3 the schedule state, 4 the
// memory use. Panel 1 takes the room the others leave; they are as wide as
// their texts, and every panel shows its whole text as its tooltip. While
// an operation runs, a progress bar and a Cancel button stand beside panel
// 1. After a save, a link offers to open the folder. A double click on a
// panel is reported with its number (1 to 4).
//
// Panel 1's messages also go into the session log, whole: each new one,
// and while an operation runs only those that say more than new figures
// (its progress notes would fill the log).
class StatusPanels : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusPanels(SessionLog& log, QWidget* parent = nullptr);

    void setPanelText(int panel, const QString& text);
    QString panelText(int panel) const;
    // The text as the panel shows it: whole, or with its middle left out
    // when the panel is too narrow.
    QString shownText(int panel) const;
    QLabel* panel(int panel) const { return panels_.at(panel - 1); }
    // 0..100 shows the bar and the Cancel button; -1 hides both.
    void setProgress(int percent);
    QProgressBar* progressBar() const { return progress_; }
    QToolButton* cancelButton() const { return cancel_; }

    // Offers to open the folder a file was just saved in, until panel 1
    // shows its next message.
    void offerFolder(const QString& folder);
    QLabel* folderLink() const { return folderLink_; }
    QString offeredFolder() const { return offeredFolder_; }

Q_SIGNALS:
    void panelDoubleClicked(int panel);
    void cancelClicked();
    void openFolderRequested(const QString& folder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void logMessage(const QString& text);

    SessionLog& log_;
    QString lastLogged_;
    bool operationRunning_ = false;
    std::array<QLabel*, StatusPanel::Count> panels_{};
    QProgressBar* progress_ = nullptr;
    QToolButton* cancel_ = nullptr;
    QLabel* folderLink_ = nullptr;
    QString offeredFolder_;
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
