#pragma once
#include "EepromResponder.h"
#include "GuiPrompts.h"
#include "InstrumentThread.h"
#include "TempFolder.h"
#include "TerminalWindow.h"

// A terminal window, shown, over a session answered by the EEPROM
// responder; "Save EE" writes hexPath.
struct TerminalRig {
    EepromResponder responder;
    TerminalSession session{[this](const QByteArray& frame, int t) { return responder(frame, t); }};
    InstrumentThread thread;
    GuiPrompts prompts;
    TempFolder folder;
    QString hexPath = folder.file("eemap.hex");
    TerminalWindow window{session, thread, prompts, hexPath};

    TerminalRig() { window.show(); }
};
