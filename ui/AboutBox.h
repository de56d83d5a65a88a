#pragma once
#include <QString>

class QWidget;

// Help > About: the build's facts (program and version, build date, Qt,
// data folder; see AboutText) and a link that opens this run's session log.
// Modal; returns when the user closes it.
void ShowAboutBox(QWidget* parent, const QString& caption, const QString& aboutText, const QString& sessionLogPath);
