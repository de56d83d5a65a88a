#pragma once
#include <QLockFile>
#include <QString>
#include <memory>

// The program's running-instance marker: a lock file in the data folder,
// held from start-up until the process ends, so an installer or a second
// copy can see that the program runs. A second copy still starts; it just
// does not hold the marker.
class InstanceLock {
public:
    static inline const QString Name = QStringLiteral("275C92F4-3349-4657-B8D8-18D15E56D7CD");

    explicit InstanceLock(const QString& dataFolder);
    // True when this process holds the marker.
    bool isHeld() const;
    // True when another live process holds it.
    static bool isHeldElsewhere(const QString& dataFolder);

private:
    std::unique_ptr<QLockFile> lock_;
};
