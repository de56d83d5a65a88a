#pragma once
#include <QString>

class InstrumentLink;
struct Services;

// What an instrument action says when it finds no line to an instrument
// (after a disconnect, or before the first connection).
inline const QString NoInstrumentText = QStringLiteral("No instrument is connected.");

// True when the link is open; otherwise tells the user NoInstrumentText,
// logs it and returns false, before anything is asked or sent.
bool InstrumentConnected(InstrumentLink& link, Services& services);
