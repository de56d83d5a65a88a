#pragma once
#include "instrument/SlotRecord.h"

#include <set>
#include <vector>

// The decoded slots of the last download, stored at indexes 1..count(); index 0
// holds no slot. Emptied by a cancelled download and by every erase.
//
// A slot that could not be read is held empty and marked unread: it is never
// a reading, so the filters, the writers and the listings pass it by.
struct DownloadTable {
    std::vector<SlotRecord> records = std::vector<SlotRecord>(1);
    std::set<int> unread;   // table indexes whose slot could not be read

    int count() const { return static_cast<int>(records.size()) - 1; }
    void clear()
    {
        records.assign(1, SlotRecord{});
        unread.clear();
    }
    // Makes room for slots 1..n (new ones empty, existing ones kept).
    void resize(int n)
    {
        records.resize(static_cast<size_t>(n < 0 ? 0 : n) + 1);
        unread.erase(unread.upper_bound(count()), unread.end());
    }
    SlotRecord& operator[](int index) { return records.at(static_cast<size_t>(index)); }
    const SlotRecord& operator[](int index) const { return records.at(static_cast<size_t>(index)); }

    bool isRead(int index) const { return !unread.contains(index); }
    // Holds the slot at index empty and keeps it out of every listing.
    void markUnread(int index)
    {
        records.at(static_cast<size_t>(index)) = SlotRecord{};
        unread.insert(index);
    }
    int readCount() const { return count() - static_cast<int>(unread.size()); }
};
