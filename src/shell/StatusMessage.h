#pragma once
#include <QString>

// Status panel 1 beside the progress bar: the message without the
// percentage that the bar shows ("...: 042% done.", "...: 042%", "(042%)"),
// so a narrow panel never shows half a number. The message itself, with
// its percentage, stays whole in the panel's tooltip.
QString WithoutPercentage(const QString& message);
