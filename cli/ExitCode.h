#pragma once

// The exit status of tolvi-cli.
enum ExitCode : int {
    ExitOk = 0,
    ExitUsage = 1,          // the command line was wrong
    ExitNoInstrument = 2,   // no instrument answered
    ExitFailed = 3,         // an operation failed
    ExitRefused = 4,        // refused: password or confirmation
    ExitIncomplete = 5,     // done in part: a download saved what could be read
    ExitNotArchived = 6,    // the readings were saved but not added to the archive
};
