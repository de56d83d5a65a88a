#pragma once

namespace tolviM {

// The number of repeats a read may still use after its first request. A
// procedure that reads several locations passes one budget to all of them.
struct RetryBudget {
    int left = 5;
};

}
