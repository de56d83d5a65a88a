#include "StatusPanels.h"

#include <QEvent>

StatusPanels::StatusPanels(QWidget* parent)
    : QStatusBar(parent)
{
    setObjectName(QStringLiteral("stsPanel"));
    setSizeGripEnabled(true);
    const int stretch[4] = {4, 2, 2, 2};
    for (int i = 0; i < 4; ++i) {
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
    panels_[1]->setText(QStringLiteral("Clock Error:"));
    panels_[2]->setText(QStringLiteral("Schedule:"));
    panels_[3]->setText(QStringLiteral("Memory Used:"));
}

void StatusPanels::setPanelText(int panel, const QString& text)
{
    if (panel >= 1 && panel <= 4)
        panels_[panel - 1]->setText(text);
}

QString StatusPanels::panelText(int panel) const
{
    return (panel >= 1 && panel <= 4) ? panels_[panel - 1]->text() : QString();
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
        for (int i = 0; i < 4; ++i)
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
