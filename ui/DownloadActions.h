#pragma once
#include "shell/Password.h"

#include <QObject>
#include <functional>

class DownloadPage;
class DownloadPageModel;
class InstrumentThread;
class MainModel;
class OperationObserver;

// The instrument procedures of the Download page: download all, a portion
// or only the new data (each archived), refresh the memory figures, erase all or a portion, and the
// tray's "Download All & Save". Each runs on the instrument thread and
// hands its figures to the GUI thread by value; the page's model takes them
// there and the page is redrawn.
class DownloadActions : public QObject {
    Q_OBJECT
public:
    struct Parts {
        DownloadPage& page;               // the buttons
        DownloadPageModel& pageModel;
        std::function<void()> redraw;     // the page from its model
        std::function<bool()> windowShown;
        MainModel& model;                 // the window state and its instrument session
        InstrumentThread& thread;
        OperationObserver& observer;
        PasswordDialogRunner passwordDialog;
        std::function<void()> saveData;   // "Save Data", queued behind a download
    };

    explicit DownloadActions(Parts parts, QObject* parent = nullptr);

    void downloadAll(bool thenSave = false);
    void downloadPortion();
    void downloadNew();
    void refreshMemory();
    void eraseAll();
    void erasePortion();

private:
    enum class Kind { All, Portion, New };
    void download(Kind kind, bool thenSave);
    void erase(bool portion);

    Parts parts_;
};
