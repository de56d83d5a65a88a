#pragma once
#include "Responder.h"
#include "ScriptedPrompts.h"
#include "TempFolder.h"
#include "instrument/InstrumentInfo.h"
#include "link/InstrumentLink.h"
#include "link/PortMap.h"
#include "shell/PerUserSettings.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <QMap>
#include <QMutex>
#include <array>
#include <memory>

// A stand-in instrument with an EEPROM and a flash that answers "G", "E"
// and "B" requests as the real one does, fixed replies for other requests,
// a schedule, and a way to spoil the first n replies. Anything it does not know gets a
// spoilt reply, which the link rejects at once.
class MemoryInstrument {
public:
    QByteArray answer(const QByteArray& payload);

    void setEeprom(int address, const QByteArray& bytes);
    QByteArray eeprom(int address, int count) const;
    void setFlash(int address, const QByteArray& bytes);
    // The reply payload for an exact request payload.
    void setReply(const QByteArray& request, const QByteArray& replyPayload);
    // Requests beginning with prefix get no reply at all.
    void setSilent(const QByteArray& prefix);
    void spoilFirst(int count);
    // The schedule: "A00" returns the block "A01" stored; "A02"/"A03" start and stop it.
    void setScheduleBlock(const QByteArray& hex);
    void setScheduleState(int state);

private:
    mutable QMutex mutex_;
    std::array<uint8_t, 1024> eeprom_{};
    std::array<uint8_t, 512> flash_{};
    QMap<QByteArray, QByteArray> replies_;
    QList<QByteArray> silent_;
    int spoil_ = 0;
    QByteArray scheduleBlock_ = QByteArray(22, '0');
    int scheduleState_ = 0;
};

// Services, a link over loopback TCP and a stand-in instrument, with every
// log line captured.
class InstrumentRig {
public:
    InstrumentRig();
    ~InstrumentRig();

    // Starts the memory instrument and connects the link to it.
    void start();
    // Starts a responder with its own handler instead.
    void start(Responder::Handler handler);

    QList<QByteArray> received() const { return responder->received(); }
    // Log texts (without time and marker) at a level, or at any level with -1.
    QStringList logged(int level = -1) const;
    bool hasLine(const QString& text, int level) const { return logged(level).contains(text); }
    // The history file's texts (after the stamp and TAB), in order.
    QStringList historyTexts() const;

    TempFolder folder;
    SessionLog log;
    ScriptedPrompts prompts;
    PerUserSettings perUser;
    Services services;
    PortMap portMap;
    InstrumentLink link{log, portMap};
    MemoryInstrument memory;
    InstrumentInfo info;
    std::unique_ptr<Responder> responder;

private:
    struct Line {
        QString text;
        int level;
    };
    mutable QMutex linesMutex_;
    QList<Line> lines_;
};
