#pragma once
#include <QObject>

class TolviApplication;

// The instrument procedures of the Download page: download all or a
// portion, refresh the memory figures, erase all or a portion, and the
// tray's "Download All & Save". Each runs on the instrument thread; the
// page is redrawn from its model when it is over.
class DownloadActions : public QObject {
    Q_OBJECT
public:
    explicit DownloadActions(TolviApplication& app, QObject* parent = nullptr);

    void downloadAll(bool thenSave = false);
    void downloadPortion();
    void refreshMemory();
    void eraseAll();
    void erasePortion();

private:
    void download(bool portion, bool thenSave);
    void erase(bool portion);
    // Redraws the gauge and slider from figures taken on the instrument thread.
    void showMemory(int slotsUsed, int slotsTotal);

    TolviApplication& app_;
};
