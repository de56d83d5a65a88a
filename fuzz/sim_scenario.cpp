// The simulator's scenario reader. A scenario it accepts starts an
// instrument; that instrument's state, saved as a scenario, must read back
// and start the same instrument again.
#include "FuzzCheck.h"

#include "SimInstrument.h"
#include "SimScenario.h"

#include <QJsonDocument>
#include <QTimeZone>

namespace {

QDateTime FixedClock()
{
    return QDateTime(QDate(2026, 11, 20), QTime(12, 0), QTimeZone::utc());
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QString error;
    const auto scenario = SimScenarioFromJson(Fuzz::Bytes(data, size), &error);
    if (!scenario) {
        Fuzz::Check(!error.isEmpty(), "a refused scenario says why");
        return 0;
    }
    Fuzz::Check(scenario->slots.size() <= MaxSimSlots, "a scenario holds no more slots than an instrument");
    const SimInstrument instrument(*scenario, FixedClock);
    const QByteArray state = QJsonDocument(instrument.stateJson(*scenario)).toJson(QJsonDocument::Compact);

    const auto saved = SimScenarioFromJson(state, &error);
    Fuzz::Check(saved.has_value(), "a saved state reads back as a scenario");
    const SimInstrument again(*saved, FixedClock);
    Fuzz::Check(again.eeprom() == instrument.eeprom() && again.flash() == instrument.flash(),
        "the saved state keeps the memory images");
    Fuzz::Check(again.slots() == instrument.slots() && again.capacity() == instrument.capacity(),
        "the saved state keeps the sample memory");
    Fuzz::Check(again.scheduleBlock() == instrument.scheduleBlock()
            && again.scheduleState() == instrument.scheduleState(),
        "the saved state keeps the schedule");
    return 0;
}
