#pragma once
#include <QString>

// The update list arrives unsigned and its names come from the network, so
// every name is checked before anything is read, written, deleted or opened.

// Where a list name leads, or why it was refused.
struct ConfinedPath {
    QString path;      // absolute, links resolved; empty when refused
    QString refusal;   // why the name was refused; empty when it is usable
    bool throughLink = false;  // a link inside the folder led to path
    bool usable() const { return refusal.isEmpty(); }
};

// A name relative to folder ("\" and "/" both separate folders) that stays
// inside folder once "..", links and separators are resolved. Refused: an
// empty or absolute name, a drive or stream colon, a name that climbs out,
// the folder itself, a link pointing outside it or pointing nowhere.
ConfinedPath ConfineToFolder(const QString& folder, const QString& name);

// A file name without any folder part: no separator, no colon, no control
// character, not "." or "..".
bool IsPlainFileName(const QString& name);

// An absolute http or https address with a host.
bool IsWebAddress(const QString& address);
