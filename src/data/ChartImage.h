#pragma once
#include <QByteArray>
#include <QString>

class Prompts;
class SessionLog;

// Writes the chart's PNG image to the chosen file in one step (a failed
// write leaves an earlier file of that name as it was), logs the result and
// tells the user when it failed. True when the file was written.
bool SaveChartImage(const QString& path, const QByteArray& png, Prompts& prompts, SessionLog& log);
