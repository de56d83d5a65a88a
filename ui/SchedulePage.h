#pragma once
#include "SchedulePreviewBar.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QWidget>
#include <array>

// The "Schedule" page: the set-up area (sampling frequency; in the advanced
// view also start, length, weekdays, memory-full options, loop counter and
// park sensor), the preview, the instrument buttons and the set-up file.
// A view only: the schedule page binding fills it from the page model.
class SchedulePage : public QWidget {
    Q_OBJECT
public:
    explicit SchedulePage(QWidget* parent = nullptr);

    QGroupBox* fraSchedSetup = nullptr;
    QSpinBox* udnSchedFreq = nullptr;
    QLabel* lblSchedFreq = nullptr;
    QPushButton* btnSchedSimpleOrAdvnaced = nullptr;
    QWidget* fraSchedAdvanced = nullptr;     // what the simple view hides
    QTimeEdit* dtpSchedStart = nullptr;
    QTimeEdit* dtpSchedLength = nullptr;
    std::array<QCheckBox*, 7> chkSchedWeekdays{};   // index = bit of the week mask
    QPushButton* btnSchedWeekday_All = nullptr;
    QPushButton* btnSchedWeekday_MtoF = nullptr;
    QPushButton* btnSchedWeekday_SnS = nullptr;
    QRadioButton* optSchedOnce = nullptr;
    QRadioButton* optSchedOverwrite = nullptr;
    QRadioButton* optSchedStop = nullptr;
    QCheckBox* chkSchedCounter = nullptr;
    QSpinBox* udnSchedCounter = nullptr;
    QLabel* lblSchedCounter = nullptr;
    QCheckBox* chkShortBetweenSamples = nullptr;
    QGroupBox* fraSchedPreview = nullptr;
    SchedulePreviewBar* picSchedPreview = nullptr;
    QLabel* lblSchedUnsent = nullptr;   // shown while the page holds unsent values
    QPushButton* btnSchedSendNewSettings = nullptr;
    QPushButton* btnSchedReloadFromInst = nullptr;
    QPushButton* btnSchedToggleEnable = nullptr;
    QPushButton* btnSchedSaveToFile = nullptr;
    QPushButton* btnSchedLoadFromFile = nullptr;
    QLineEdit* txtSchedComment = nullptr;

    // The option buttons in the order of MemoryFullOption.
    std::array<QRadioButton*, 3> memoryFullOptions() const { return {optSchedOnce, optSchedOverwrite, optSchedStop}; }
    // The buttons that talk to the instrument (disabled while a procedure runs).
    QList<QWidget*> instrumentControls() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
