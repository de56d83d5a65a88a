#pragma once
#include "DownloadPage.h"
#include "ReadingChartBinding.h"
#include "data/DataFileSettings.h"
#include "data/DownloadPageModel.h"

#include <QObject>
#include <functional>

class MainWindow;
class Prompts;
class SessionLog;
struct DownloadTable;

// Binds the Download page's widgets to its model: every gesture on the page
// goes to the model, and the page is redrawn from the model afterwards. The
// page's instrument procedures (download, refresh, erase, save) are wired by
// DownloadActions.
class DownloadPageBinding : public QObject {
    Q_OBJECT
public:
    DownloadPageBinding(MainWindow& window, DownloadPageModel& model, Prompts& prompts, SessionLog& log,
        QObject* parent = nullptr);

    DownloadPageModel& model() { return model_; }
    DownloadPage& page() { return page_; }
    // Model -> widgets.
    void refresh();
    // Widgets -> the model's filter (dates, bounds, rule, schedule box), as
    // they stand before a test or a save.
    void readFilterControls();
    // "Test Filter" on a table: the count, or -1 without data.
    int testFilter(const DownloadTable& table, Prompts& prompts, const QString& title);
    ReadingChartBinding& chart() { return chart_; }

private:
    void onSliderPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void onSliderReleased(Qt::MouseButton button);
    void onSliderKey(int from, int to, bool shift);
    // The slots under the thumb or the selection, as a tooltip beside the thumb.
    void showSliderPosition();
    void refreshSlider();
    void refreshFilterFrame();
    // A filter control changed: the chart shows what the filter now keeps.
    void followFilter();

    MainWindow& window_;
    DownloadPage& page_;
    DownloadPageModel& model_;
    ReadingChartBinding chart_;
    bool refreshing_ = false;
};
