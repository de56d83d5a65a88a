#pragma once
#include <QString>

class PasswordDialogModel;
class QWidget;

// Shows the password dialog for the model, modally, until the model says it
// closes; returns whether the password was accepted. GUI thread only.
bool RunLoginDialog(PasswordDialogModel& model, QWidget* parent, const QString& caption);
