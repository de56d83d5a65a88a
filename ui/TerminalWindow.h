#pragma once
#include "link/Terminal.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>

class InstrumentThread;
class Prompts;

// The service terminal ("frmTerminal", "Debug Terminal"): the user types a
// request payload, Enter or the send button queues its frame, and the scan
// timer hands it to the instrument thread when that is free. The transcript
// shows every exchange in colour. "Save EE" writes the instrument's EEPROM
// to an Intel HEX file. While no instrument is connected a line above the
// transcript says so; a request typed then waits until one is.
class TerminalWindow : public QWidget {
    Q_OBJECT
public:
    // hexPath: where "Save EE" writes (the data folder's "eemap.hex").
    TerminalWindow(TerminalSession& session, InstrumentThread& thread, Prompts& prompts, QString hexPath,
        QWidget* parent = nullptr);

    // Set by the "-d" option; read by start-up and connection control.
    bool debugMode() const { return debugMode_; }
    void setDebugMode(bool on) { debugMode_ = on; }

    // Follows the link: the scan timer runs while a request waits and an
    // instrument is connected (always, in debug mode, while connected).
    void setLinkConnected(bool connected);

    void appendLines(const QList<TranscriptLine>& lines);
    // Empties the input and the transcript (a new connection in terminal mode).
    void clear();

    QLineEdit* txtTermISay = nullptr;
    QPushButton* btnTermSendISay = nullptr;
    QPushButton* btnTermSaveEE = nullptr;
    QTextEdit* rtbTermHeSays = nullptr;
    QLabel* lblTermState = nullptr;
    QTimer* tmrTerminalScan = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void send();
    void scanTick();
    void saveEeprom();
    void showLinkState();

    TerminalSession& session_;
    InstrumentThread& thread_;
    Prompts& prompts_;
    QString hexPath_;
    bool debugMode_ = false;
    bool connected_ = false;
};
