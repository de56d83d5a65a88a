#include "MainMenu.h"

#include <QAbstractButton>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>

namespace {
// Keeps an item's enabled state equal to its button's: watches the button
// (and an optional widget whose visibility also counts) for the events that
// change it.
class EnabledFollower : public QObject {
public:
    EnabledFollower(QAction* action, QAbstractButton* button, QWidget* shownWith)
        : QObject(action), action_(action), button_(button), shownWith_(shownWith)
    {
        button_->installEventFilter(this);
        if (shownWith_)
            shownWith_->installEventFilter(this);
        apply();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::EnabledChange:
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
            apply();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void apply()
    {
        const bool shown = !shownWith_ || shownWith_->isVisibleTo(shownWith_->parentWidget());
        action_->setEnabled(button_->isEnabled() && shown);
    }

    QAction* action_;
    QAbstractButton* button_;
    QWidget* shownWith_;
};
}

MainMenu::MainMenu(QMenuBar* bar, const Buttons& buttons, QObject* parent)
    : QObject(parent)
{
    bar->setObjectName(QStringLiteral("mnuMain"));
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    saveData = buttonItem(QStringLiteral("&Save Data..."), {QKeySequence(Qt::CTRL | Qt::Key_S), Qt::Key_F8},
        buttons.saveData, buttons.saveDataShownWith);
    file->addAction(saveData);
    report = buttonItem(QStringLiteral("&Report..."), {}, buttons.report, buttons.reportShownWith);
    file->addAction(report);
    file->addSeparator();
    quit = file->addAction(QStringLiteral("&Quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, &MainMenu::quitRequested);

    QMenu* instrument = bar->addMenu(QStringLiteral("&Instrument"));
    instrument->setObjectName(QStringLiteral("mnuInstrument"));
    connectPort = buttonItem(QStringLiteral("&Connect"), {}, buttons.connect);
    autoConnect = buttonItem(QStringLiteral("&Auto Connect"), {Qt::Key_F6}, buttons.autoConnect);
    disconnect = buttonItem(QStringLiteral("&Disconnect"), {}, buttons.disconnect);
    downloadAll = buttonItem(QStringLiteral("Download &All"), {Qt::Key_F7}, buttons.downloadAll);
    downloadNew = buttonItem(QStringLiteral("Download &New"), {Qt::Key_F9}, buttons.downloadNew);
    instrument->addActions({connectPort, autoConnect, disconnect});
    instrument->addSeparator();
    instrument->addActions({downloadAll, downloadNew});
    instrument->addSeparator();
    terminal = instrument->addAction(QStringLiteral("&Terminal"));
    connect(terminal, &QAction::triggered, this, &MainMenu::terminalRequested);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    manual = help->addAction(QStringLiteral("&Manual"));
    manual->setShortcut(Qt::Key_F1);
    connect(manual, &QAction::triggered, this, &MainMenu::manualRequested);
    about = help->addAction(QStringLiteral("&About"));
    connect(about, &QAction::triggered, this, &MainMenu::aboutRequested);
}

QAction* MainMenu::buttonItem(const QString& text, const QList<QKeySequence>& keys, QAbstractButton* button,
    QWidget* shownWith)
{
    auto* action = new QAction(text, this);
    action->setShortcuts(keys);
    new EnabledFollower(action, button, shownWith);
    connect(action, &QAction::triggered, button, [button] {
        if (button->isEnabled())
            button->click();
    });
    return action;
}
