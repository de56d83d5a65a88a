// tolvi-cli-brisk: the command line with a shorter pause after each request,
// for the tests of paths where the instrument answers every request.
#include "ProgramTiming.h"
#include "QuickTiming.h"

ProtocolTiming ProgramTiming()
{
    return BriskTiming();
}
