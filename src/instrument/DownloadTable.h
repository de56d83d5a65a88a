#pragma once
#include "instrument/SlotRecord.h"

#include <vector>

// The decoded slots of the last download, stored at indexes 1..count(); index 0
// holds no slot. Emptied by a cancelled download and by every erase.
struct DownloadTable {
    std::vector<SlotRecord> records = std::vector<SlotRecord>(1);

    int count() const { return static_cast<int>(records.size()) - 1; }
    void clear() { records.assign(1, SlotRecord{}); }
    // Makes room for slots 1..n (new ones empty, existing ones kept).
    void resize(int n) { records.resize(static_cast<size_t>(n < 0 ? 0 : n) + 1); }
    SlotRecord& operator[](int index) { return records.at(static_cast<size_t>(index)); }
    const SlotRecord& operator[](int index) const { return records.at(static_cast<size_t>(index)); }
};
