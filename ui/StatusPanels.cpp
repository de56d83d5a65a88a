#include "StatusPanels.h"

#include <QEvent>

StatusPanels::StatusPanels(QWidget* parent)
    : QStatusBar(parent)
{
    setObjectName(QStringLiteral("stsPanel"));
    setSizeGripEnabled(true);
    const int stretch[StatusPanel::Count] = {4, 2, 2, 2};
    for (int i = 0; i < StatusPanel::Count; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("stsPanel%1").arg(i + 1));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setMinimumWidth(60);
        label->installEventFilter(this);
        addPermanentWidget(label, stretch[i]);
        panels_[i] = label;
    }
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("prgProgress"));
    progress_->setRange(0, 100);
    progress_->setMaximumWidth(140);
    progress_->hide();
    addPermanentWidget(progress_, 1);
    panel(StatusPanel::Clock)->setText(QStringLiteral("Clock Error:"));
    panel(StatusPanel::Schedule)->setText(QStringLiteral("Schedule:"));
    panel(StatusPanel::Memory)->setText(QStringLiteral("Memory Used:"));
}

void StatusPanels::setPanelText(int panel, const QString& text)
{
    if (panel >= 1 && panel <= StatusPanel::Count)
        panels_[panel - 1]->setText(text);
}

QString StatusPanels::panelText(int panel) const
{
    return (panel >= 1 && panel <= StatusPanel::Count) ? panels_[panel - 1]->text() : QString();
}

void StatusPanels::setProgress(int percent)
{
    progress_->setVisible(percent >= 0);
    if (percent >= 0)
        progress_->setValue(qMin(percent, 100));
}

bool StatusPanels::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int i = 0; i < StatusPanel::Count; ++i)
            if (watched == panels_[i])
                Q_EMIT panelDoubleClicked(i + 1);
    }
    return QStatusBar::eventFilter(watched, event);
}

void StatusBarObserver::statusText(int panel, const QString& text)
{
    QPointer<StatusPanels> panels = panels_;
    if (panels)
        QMetaObject::invokeMethod(panels, [panels, panel, text] {
            if (panels)
                panels->setPanelText(panel, text);
        }, Qt::QueuedConnection);
}

void StatusBarObserver::progress(int percent)
{
    QPointer<StatusPanels> panels = panels_;
    if (panels)
        QMetaObject::invokeMethod(panels, [panels, percent] {
            if (panels)
                panels->setProgress(percent);
        }, Qt::QueuedConnection);
}
