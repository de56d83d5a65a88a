// tolvi-cli-quick: the command line with the tests' quick protocol timing,
// for the tests of paths that wait out a silent instrument.
#include "ProgramTiming.h"
#include "QuickTiming.h"

ProtocolTiming ProgramTiming()
{
    return QuickTiming();
}
