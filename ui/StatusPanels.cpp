#include "StatusPanels.h"
#include "shell/SessionLog.h"
#include "shell/StatusMessage.h"

#include <QDir>
#include <QEvent>
#include <QPainter>
#include <QRegularExpression>

namespace {
// Panel 1 below this width would show nothing useful; the others are as
// wide as their texts.
constexpr int MessagePanelMinimumWidth = 120;
constexpr int ProgressBarWidth = 100;

// A panel that, when its text does not fit, leaves out its middle ("...")
// instead of cutting off its end, where a download's time left and a saved
// file's name stand; the tooltip has the whole text. While the progress bar
// shows the percentage, the panel leaves it out of the message.
class PanelLabel : public QLabel {
public:
    using QLabel::QLabel;

    void setPercentageShownElsewhere(bool elsewhere)
    {
        percentageElsewhere_ = elsewhere;
        update();
    }

    QString shownText() const
    {
        const QString message = percentageElsewhere_ ? WithoutPercentage(text()) : text();
        return fontMetrics().elidedText(message, Qt::ElideMiddle, textRoom().width());
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const QString shown = shownText();
        if (shown == text()) {
            QLabel::paintEvent(event);
            return;
        }
        QFrame::paintEvent(event);
        QPainter painter(this);
        painter.drawText(textRoom(), int(alignment()), shown);
    }

private:
    bool percentageElsewhere_ = false;
    QRect textRoom() const { return contentsRect().adjusted(margin() + qMax(indent(), 0), 0, -margin(), 0); }
};
}

StatusPanels::StatusPanels(SessionLog& log, QWidget* parent)
    : QStatusBar(parent), log_(log)
{
    setObjectName(QStringLiteral("stsPanel"));
    setSizeGripEnabled(true);
    for (int i = 0; i < StatusPanel::Count; ++i) {
        auto* label = new PanelLabel(this);
        label->setObjectName(QStringLiteral("stsPanel%1").arg(i + 1));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        label->installEventFilter(this);
        panels_[i] = label;
    }
    QLabel* message = panels_[StatusPanel::Message - 1];
    message->setMinimumWidth(MessagePanelMinimumWidth);
    message->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    addWidget(message, 1);

    folderLink_ = new QLabel(this);
    folderLink_->setObjectName(QStringLiteral("lblOpenFolder"));
    folderLink_->setTextFormat(Qt::RichText);
    folderLink_->setText(QStringLiteral("<a href=\"folder\">Open folder</a>"));
    folderLink_->hide();
    addWidget(folderLink_);
    connect(folderLink_, &QLabel::linkActivated, this, [this] { Q_EMIT openFolderRequested(offeredFolder_); });

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("prgProgress"));
    progress_->setRange(0, 100);
    progress_->setFixedWidth(ProgressBarWidth);
    progress_->hide();
    addWidget(progress_);
    cancel_ = new QToolButton(this);
    cancel_->setObjectName(QStringLiteral("btnCancelOperation"));
    cancel_->setText(QStringLiteral("Cancel"));
    cancel_->setToolTip(QStringLiteral("Stop the operation that runs"));
    cancel_->hide();
    addWidget(cancel_);
    connect(cancel_, &QToolButton::clicked, this, &StatusPanels::cancelClicked);

    for (int i = StatusPanel::Clock; i <= StatusPanel::Count; ++i) {
        panels_[i - 1]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        addPermanentWidget(panels_[i - 1]);
    }
    setPanelText(StatusPanel::Clock, QStringLiteral("Clock Error:"));
    setPanelText(StatusPanel::Schedule, QStringLiteral("Schedule:"));
    setPanelText(StatusPanel::Memory, QStringLiteral("Memory Used:"));
}

void StatusPanels::setPanelText(int panel, const QString& text)
{
    if (panel < 1 || panel > StatusPanel::Count)
        return;
    QLabel* label = panels_[panel - 1];
    label->setText(text);
    label->setToolTip(text);
    if (panel != StatusPanel::Message)
        return;
    logMessage(text);
    if (folderLink_->isVisibleTo(this)) {
        folderLink_->hide();
        offeredFolder_.clear();
    }
}

void StatusPanels::logMessage(const QString& text)
{
    static const QRegularExpression figures(QStringLiteral("\\d+"));
    const auto shape = [](QString message) { return message.replace(figures, QStringLiteral("#")); };
    const bool news = operationRunning_ ? shape(text) != shape(lastLogged_) : text != lastLogged_;
    if (text.isEmpty() || !news)
        return;
    lastLogged_ = text;
    log_.debugMessage(QStringLiteral("Status: ") + text, SessionLog::Info);
}

QString StatusPanels::shownText(int panel) const
{
    return (panel >= 1 && panel <= StatusPanel::Count) ? static_cast<PanelLabel*>(panels_[panel - 1])->shownText()
                                                       : QString();
}

QString StatusPanels::panelText(int panel) const
{
    return (panel >= 1 && panel <= StatusPanel::Count) ? panels_[panel - 1]->text() : QString();
}

void StatusPanels::setProgress(int percent)
{
    progress_->setVisible(percent >= 0);
    cancel_->setVisible(percent >= 0);
    static_cast<PanelLabel*>(panels_[StatusPanel::Message - 1])->setPercentageShownElsewhere(percent >= 0);
    operationRunning_ = percent >= 0;
    if (percent >= 0)
        progress_->setValue(qMin(percent, 100));
}

void StatusPanels::offerFolder(const QString& folder)
{
    offeredFolder_ = folder;
    folderLink_->setToolTip(QStringLiteral("Open ") + QDir::toNativeSeparators(folder));
    folderLink_->show();
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
