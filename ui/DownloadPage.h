#pragma once
#include "MemoryBar.h"
#include "ReadingChartPanel.h"
#include "SelectionSlider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTimeEdit>
#include <QWidget>

// The "Download" page: the memory gauge and its refresh button, the range
// slider with the portion buttons, the download and erase buttons above; the
// chart of the downloaded readings below them, with the filter frame (format
// list, option frames, Test Filter, Save Data) in a column beside it.
// A view only: the main window binds it to the download model.
class DownloadPage : public QWidget {
    Q_OBJECT
public:
    // Option frames of the filter frame, in the order of the stacked frames.
    enum OptionFrame { AllData = 0, Schedules = 1, Dates = 2, Concentrations = 3 };

    explicit DownloadPage(QWidget* parent = nullptr);

    QLabel* lblMemory_used = nullptr;
    QLabel* lblMemory_free = nullptr;
    QLabel* lblMemory_max = nullptr;
    MemoryBar* shpMemory_bar = nullptr;
    QPushButton* btnRefreshFRAMSize = nullptr;
    SelectionSlider* sldMemoryRange = nullptr;
    QPushButton* btnDownload = nullptr;
    QPushButton* btnDownloadNew = nullptr;       // only what the archive lacks
    QPushButton* btnDownloadSection = nullptr;
    QPushButton* btnDeleteAllMemory = nullptr;
    QPushButton* btnEraseSection = nullptr;

    QGroupBox* fraDownloadFilters = nullptr;
    QComboBox* lstDataFormat = nullptr;
    QCheckBox* chkSplitTimeAndDate = nullptr;
    QStackedWidget* frmDownloadOptions = nullptr;
    QCheckBox* chkFilterSchedules = nullptr;
    QDateEdit* dtpFromDate = nullptr;
    QTimeEdit* dtpFromTime = nullptr;
    QDateEdit* dtpToDate = nullptr;
    QTimeEdit* dtpToTime = nullptr;
    QScrollBar* scrFilterConcMin = nullptr;
    QScrollBar* scrFilterConcMax = nullptr;
    QDoubleSpinBox* spnFilterConcMin = nullptr;    // A, in ppm
    QDoubleSpinBox* spnFilterConcMax = nullptr;    // B, in ppm
    QRadioButton* optFilterConcA = nullptr;
    QRadioButton* optFilterConcB = nullptr;
    QRadioButton* optFilterConcC = nullptr;
    QPushButton* btnFilterDownload = nullptr;
    QPushButton* btnSaveData = nullptr;
    ReadingChartPanel* fraChart = nullptr;   // shown once a download has data

    void setFormatEntries(const QStringList& captions);
    void showOptionFrame(OptionFrame frame);
    // The instrument buttons of this page (disabled while a procedure runs).
    QList<QWidget*> instrumentControls() const;
};
