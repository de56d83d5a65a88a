#pragma once
#include "records/ArchiveStore.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class CancelToken;
class InstrumentSession;
struct AppPaths;

// Unattended collection: "Download New Data" into the archive on every
// instrument this PC can reach, several at the same time (each line is
// paced by the instrument, not by this PC). The instruments are
// those that answer on the serial ports of the port list (the scan the
// auto-connect makes) and on the network bridges listed in "app.txt":
//
//     [Collect]
//     Bridges=net://10.0.0.5:8899, net://10.0.0.6:8899
//
// A serial port where nothing answers holds no instrument and is passed by;
// a listed bridge where nothing answers is an instrument not collected.

// The section and key of "app.txt" that list the bridges, separated by
// commas or blanks.
inline const QString CollectSection = QStringLiteral("Collect");
inline const QString CollectBridgesKey = QStringLiteral("Bridges");

// The entries of the bridges' list as written, without repeats.
QStringList CollectBridges(const AppPaths& paths);

// What became of one instrument (or of one listed bridge).
struct CollectedInstrument {
    enum class Result {
        Archived,     // its new slots (maybe none) are in the archive
        Incomplete,   // some slots could not be read: nothing was archived
        Failed,       // not reached, not read, or not archived
    };
    QString where;             // the device path or "net://host:port"
    QString serial;            // empty when no instrument was read there
    Result result = Result::Failed;
    int slotsAdded = 0;
    bool answered = false;     // an instrument answered there
    QString why;               // why not archived, in words; empty when archived
};

// How a collection went as a whole.
enum class CollectVerdict {
    AllArchived,
    SomeIncomplete,   // and none failed
    SomeFailed,
    NoInstrument,     // none answered anywhere
};
CollectVerdict CollectionVerdict(const std::vector<CollectedInstrument>& collected);

// One line for a person: "10234F on /dev/ttyUSB0: 3 slots added", or where
// and why not.
QString CollectedLine(const CollectedInstrument& collected);

// Collects from the instruments on the serial ports of the session's port
// list and on the bridges into the store's archives. Each port and bridge
// gets a thread of its own (up to CollectAtOnce at a time) with its own link
// and instrument session; the session's own link is closed first. One that
// fails does not stop the others. done hears of each, on the calling thread,
// in the order of the ports and then the bridges. A cancel cancels the
// downloads in hand and starts no more.
constexpr int CollectAtOnce = 8;
std::vector<CollectedInstrument> CollectNewData(InstrumentSession& session, const QStringList& bridges,
    const ArchiveStore& store, CancelToken& cancel, const std::function<void(const CollectedInstrument&)>& done);
