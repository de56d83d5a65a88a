#pragma once
#include <QList>
#include <QString>

struct Services;
class InstrumentLink;

// The calibration-check window ("Diagnostic Guru") without widgets: a
// step-by-step window whose first step reads the instrument's calibration
// and lists it. Steps 2 to 4 have only their titles so far.

// What step 1 read from the instrument.
struct CalibrationReading {
    enum class State { ReadFailed, NotCalibrated, Calibrated };
    State state = State::ReadFailed;
    float spanPpm = 0;          // the calibration concentration
    float temperature = 0;      // degrees Celsius
    float timeToPeak = 0;       // seconds
    float linearGain = 0;       // the peak (normal) gain factor
    float integralGain = 0;     // the area gain factor
    QString modeText;           // as the mode read returns it ("Peak Detection"; empty when it failed)
    QString limitText;
};

// Reads the calibration into a record of its own (the connected
// instrument's record is not touched), then the mode and limit texts.
// A calibration of which any block could not be read counts as not read.
CalibrationReading ReadCalibrationForCheck(InstrumentLink& link, Services& services);

class CalibrationCheckModel {
public:
    static constexpr int LastStep = 4;

    // A piece of the output box's text and its colour.
    struct Run {
        QString text;
        bool red = false;
        bool operator==(const Run&) const = default;
    };

    // company and title make the caption: "Karvex - Calibration Check".
    CalibrationCheckModel(QString company, QString title);

    int step() const { return step_; }
    QString caption() const { return caption_; }
    // Percent of the steps done: 25 once step 1 has its reading, 100 at step 4.
    int progress() const { return progress_; }
    const QList<Run>& output() const { return output_; }
    // The output box's whole text.
    QString outputText() const;
    // True while step 1 waits for its instrument read.
    bool awaitingCalibration() const { return awaiting_; }

    // "Next >": on to the following step (after 4 comes 0) and runs it.
    // "Redo Test": runs the current step again. Both return true when the
    // step needs the calibration read (then pass it to calibrationRead).
    bool next();
    bool redo();
    // The read of step 1 is over; ignored unless step 1 is waiting for it.
    void calibrationRead(const CalibrationReading& reading);

    static QString stepTitle(int step);

private:
    bool runStep();
    void append(const QString& text, bool red = false);

    QString company_;
    QString title_;
    int step_ = 0;
    QString caption_;
    int progress_ = 0;
    QList<Run> output_;
    bool awaiting_ = false;
};
