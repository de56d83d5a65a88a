#pragma once
#include "data/SaveData.h"
#include "shell/Password.h"

#include <QObject>
#include <functional>

class DataFileSettings;
class DownloadPageBinding;
class InstrumentThread;
class MainModel;
class OperationObserver;
class StatusPanels;

// The instrument procedures of the Download page: download all, a portion
// or only the new data (each archived), refresh the memory figures, erase all or a portion,
// "Save Data", and the tray's "Download All & Save"; plus "Report..." from
// the chart. Each instrument procedure runs on the instrument thread and
// hands its figures to the GUI thread by value; the page's model takes them
// there and the page is redrawn.
class DownloadActions : public QObject {
    Q_OBJECT
public:
    struct Parts {
        DownloadPageBinding& binding;     // the page, its model, its filter controls and its redraw
        StatusPanels& status;             // offers the folder of a saved file
        DataFileSettings& dataFiles;      // the data-file options a save follows
        std::function<bool()> windowShown;
        std::function<ProgramIdentity()> program;   // this program as a saved file names it
        MainModel& model;                 // the window state and its instrument session
        InstrumentThread& thread;
        OperationObserver& observer;
        PasswordDialogRunner passwordDialog;
    };

    explicit DownloadActions(Parts parts, QObject* parent = nullptr);

    void downloadAll(bool thenSave = false);
    void downloadPortion();
    void downloadNew();
    void refreshMemory();
    void eraseAll();
    void erasePortion();
    // "Save Data" (F8, the tray's Download All & Save): queued to the instrument thread.
    void saveData();
    // "Report...": the chart's readings as a PDF report.
    void makeReport();

private:
    enum class Kind { All, Portion, New };
    void download(Kind kind, bool thenSave);
    void erase(bool portion);

    Parts parts_;
};
