#pragma once
#include "config/SettingsPageModel.h"

#include <QFrame>

// The pump-and-valve diagram ("shpPumpAndValveSpace"): the pump's and the
// valve's timed bars ("lnPumpTimes", "lnValveTimes") or fillers for "Always"
// ("lnPumpFiller", "lnValveFiller"), time zero, and the button-press marker
// ("lnButtonPress1", "lnButtonPress2"), drawn from the page model's numbers.
class PumpValveDiagramView : public QFrame {
    Q_OBJECT
public:
    explicit PumpValveDiagramView(QWidget* parent = nullptr);
    void setDiagram(const PumpValveDiagram& diagram);
    const PumpValveDiagram& diagram() const { return diagram_; }
    QSize sizeHint() const override { return {300, 60}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PumpValveDiagram diagram_;
};
