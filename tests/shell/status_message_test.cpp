#include "QtPrinters.h"
#include "shell/StatusMessage.h"

#include <gtest/gtest.h>

// The progress messages of the long operations lose their percentage (the
// bar shows it); other messages stay as they are.
TEST(StatusMessage, PercentageLeftToTheProgressBar)
{
    struct Case { const char* name; const char* message; const char* shown; };
    const Case cases[] = {
        {"download", "Downloading the whole of memory from the instrument: 042% done. (ETA 0:01:23)",
            "Downloading the whole of memory from the instrument (ETA 0:01:23)"},
        {"portion", "Downloading some of memory from the instrument: 100% done. (ETA 0:00:00)",
            "Downloading some of memory from the instrument (ETA 0:00:00)"},
        {"check", "Checking downloaded data for errors: 007%", "Checking downloaded data for errors"},
        {"save", "Saving data... (042%)", "Saving data..."},
        {"no percentage", "Download complete, ready to filter and save data.",
            "Download complete, ready to filter and save data."},
        {"a count is not a percentage", "4 samples saved to 'a.csv'.", "4 samples saved to 'a.csv'."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WithoutPercentage(QString::fromLatin1(c.message)), QString::fromLatin1(c.shown)) << c.name;
}
