#pragma once

class InstrumentLink;
class SessionLog;

// The instrument's TEST mode, in which the sensor refresh runs the pump
// through sampling cycles of its own.
namespace tolviM {

// Prepares and enters TEST mode ("L", then the mode's key); no reply is awaited.
void EnterTestMode(InstrumentLink& link);
// Starts the test ("O"), repeated while no good reply comes (five repeats
// at most); true when the instrument acknowledged it.
bool StartTest(InstrumentLink& link, SessionLog& log);
// Runs one sampling cycle ("P"); no reply is awaited.
void StartSamplingCycle(InstrumentLink& link);
// Leaves TEST mode ("C"), once; true when the instrument answered as it does
// outside TEST mode.
bool LeaveTestMode(InstrumentLink& link, SessionLog& log);
// Closes a sensor refresh ("U"), whether or not TEST mode was entered; no
// reply is awaited.
void EndSensorRefresh(InstrumentLink& link);

}
