#pragma once
#include "config/SchedulePageModel.h"

#include <QWidget>
#include <functional>

// The Schedule page's one-day preview: the day line with its five time
// marks (lneSched0 to lneSched4) and the two bars (shpSchedPrev1,
// shpSchedPrev2), drawn from the numbers the page model gives for the line's
// ends in pixels.
class SchedulePreviewBar : public QWidget {
    Q_OBJECT
public:
    using Source = std::function<SchedulePreview(double left, double right)>;
    explicit SchedulePreviewBar(QWidget* parent = nullptr);

    void setSource(Source source);
    // The bars as last drawn, for tests: the line's ends and the preview.
    double lineLeft() const;
    double lineRight() const;
    SchedulePreview bars() const;

    QSize sizeHint() const override { return {420, 56}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Source source_;
};
