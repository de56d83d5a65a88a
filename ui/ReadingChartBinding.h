#pragma once
#include <QObject>

class ReadingChartPanel;
class ReadingChartModel;
class Prompts;
class SessionLog;
class StatusPanels;

// Binds the chart frame to the chart model: the unit and the second-axis
// box go to the model, the frame is redrawn when the model changed, and
// "Save as PNG" asks for a file and writes the drawing to it.
class ReadingChartBinding : public QObject {
    Q_OBJECT
public:
    ReadingChartBinding(ReadingChartPanel& panel, ReadingChartModel& model, Prompts& prompts, SessionLog& log,
        StatusPanels* status, QObject* parent = nullptr);

    // Redraws when the model moved on since the last drawing.
    void refresh();
    // "Save as PNG"; true when a file was written.
    bool saveImage();

private:
    ReadingChartPanel& panel_;
    ReadingChartModel& model_;
    Prompts& prompts_;
    SessionLog& log_;
    StatusPanels* status_;
    int drawnRevision_ = -1;
};
