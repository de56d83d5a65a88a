#pragma once
#include <QAction>
#include <QList>
#include <QObject>

class QAbstractButton;
class QMenu;
class QMenuBar;
class QWidget;

// The main window's menu bar: File (Save Data, Report, Quit), Instrument (Connect,
// Auto Connect, Disconnect, Download All, Download New, Terminal) and Help (Manual,
// About). An item that stands for a button presses that button and is
// enabled exactly when the button is, so the menu, the button and its key
// never disagree; the keys are the items' shortcuts, shown in the menus.
class MainMenu : public QObject {
    Q_OBJECT
public:
    struct Buttons {
        QAbstractButton* saveData = nullptr;
        QWidget* saveDataShownWith = nullptr;   // saving is offered while this is shown (the filter frame)
        QAbstractButton* connect = nullptr;
        QAbstractButton* autoConnect = nullptr;
        QAbstractButton* disconnect = nullptr;
        QAbstractButton* downloadAll = nullptr;
        QAbstractButton* downloadNew = nullptr;   // the slots the instrument's archive does not hold yet
        QAbstractButton* report = nullptr;
        QWidget* reportShownWith = nullptr;       // a report is offered while this is shown (the chart)
    };
    MainMenu(QMenuBar* bar, const Buttons& buttons, QObject* parent = nullptr);

    QAction* saveData = nullptr;
    QAction* report = nullptr;
    QAction* quit = nullptr;
    QAction* connectPort = nullptr;
    QAction* autoConnect = nullptr;
    QAction* disconnect = nullptr;
    QAction* downloadAll = nullptr;
    QAction* downloadNew = nullptr;
    QAction* terminal = nullptr;
    QAction* manual = nullptr;
    QAction* about = nullptr;

Q_SIGNALS:
    void quitRequested();
    void terminalRequested();
    void manualRequested();
    void aboutRequested();

private:
    // An item that presses button and follows its enabled state (and the
    // visibility of shownWith, when given).
    QAction* buttonItem(const QString& text, const QList<QKeySequence>& keys, QAbstractButton* button,
        QWidget* shownWith = nullptr);
};
