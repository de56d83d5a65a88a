#include "ReadingChartBinding.h"

#include "ReadingChartPanel.h"
#include "StatusPanels.h"
#include "data/ChartImage.h"
#include "data/ReadingChartModel.h"
#include "data/SaveDialogChoice.h"
#include "shell/Prompts.h"

#include <QDir>

ReadingChartBinding::ReadingChartBinding(ReadingChartPanel& panel, ReadingChartModel& model, Prompts& prompts,
    SessionLog& log, StatusPanels* status, QObject* parent)
    : QObject(parent), panel_(panel), model_(model), prompts_(prompts), log_(log), status_(status)
{
    connect(panel_.chkChartClimate, &QCheckBox::toggled, this, [this](bool shown) {
        model_.setClimateShown(shown);
        refresh();
    });
    connect(panel_.cboChartUnit, &QComboBox::currentIndexChanged, this, [this](int index) {
        model_.setRequestedUnit(index == static_cast<int>(ConcentrationUnit::MgPerCubicMetre)
                ? ConcentrationUnit::MgPerCubicMetre
                : ConcentrationUnit::Ppm);
        refresh();
    });
    connect(panel_.btnChartSave, &QPushButton::clicked, this, &ReadingChartBinding::saveImage);
    refresh();
}

void ReadingChartBinding::refresh()
{
    panel_.setVisible(model_.hasData());
    if (model_.revision() == drawnRevision_)
        return;
    drawnRevision_ = model_.revision();
    panel_.draw(model_.chart(), model_.mgmOffered());
}

bool ReadingChartBinding::saveImage()
{
    const auto chosen = prompts_.chooseSaveFile(SaveDialogChoice::chartImage(QDateTime::currentDateTime()));
    if (!chosen || chosen->path.isEmpty())
        return false;
    if (!SaveChartImage(chosen->path, panel_.pngImage(), prompts_, log_))
        return false;
    if (status_)
        status_->setPanelText(StatusPanel::Message,
            QStringLiteral("Chart saved to '") + QDir::toNativeSeparators(chosen->path) + QStringLiteral("'."));
    return true;
}
