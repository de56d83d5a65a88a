#pragma once
#include "link/ProtocolTiming.h"

// The protocol timing the command line runs with: the real one
// (ProgramTiming.cpp). The tests' quick build of the program links a scaled
// one in its place, for the paths that wait out a silent instrument.
ProtocolTiming ProgramTiming();
