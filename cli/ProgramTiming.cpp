#include "ProgramTiming.h"

ProtocolTiming ProgramTiming()
{
    return {};
}
