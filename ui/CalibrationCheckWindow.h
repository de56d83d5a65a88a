#pragma once
#include "config/CalibrationCheck.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QWidget>
#include <functional>

// The calibration-check window ("frmGuru"): a step-by-step window whose
// first step reads the instrument's calibration. The model decides every
// text and caption; the window shows it and forwards the buttons. It stays
// in front of the main window it belongs to.
class CalibrationCheckWindow : public QWidget {
    Q_OBJECT
public:
    // Runs the calibration read away from the window's thread and hands the
    // reading back on it.
    using CalibrationReader = std::function<void(std::function<void(const CalibrationReading&)> done)>;

    CalibrationCheckWindow(QString company, QString title, CalibrationReader reader, QWidget* parent = nullptr);

    const CalibrationCheckModel& model() const { return model_; }
    // Centres the window over the window it was opened from.
    void placeOver(const QWidget* owner);

    QTextEdit* rtbGuruOutput = nullptr;
    QPushButton* btnNext = nullptr;
    QPushButton* btnRedoTest = nullptr;
    QPushButton* btnCopy = nullptr;
    QPushButton* btnClose = nullptr;
    QProgressBar* pbrProgress = nullptr;

private:
    void run(bool needsRead);
    void display(const CalibrationCheckModel& model);
    void copyResults();

    CalibrationCheckModel model_;
    CalibrationReader reader_;
};
