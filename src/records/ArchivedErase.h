#pragma once
#include "data/MemoryErase.h"
#include "records/ArchiveStore.h"

#include <optional>

// How many of the instrument's slots first..last were never downloaded.
// A slot counts as downloaded when the archive's current generation holds
// it and that generation is still the instrument's memory: the first and
// the last of the range's archived slots, read now, are the archived ones
// byte for byte. Without a readable archive, or when the memory no longer
// matches it, every slot of the range counts. The archive is the one in
// store, or without one the one the settings choose.
int CountSlotsNotDownloaded(EraseContext& context, int first, int last,
    const std::optional<ArchiveStore>& store = std::nullopt);

// The erases both front ends run: EraseAllMemory and EraseMemoryPortion,
// asking once more when slots to be erased were never downloaded (the
// archive as for CountSlotsNotDownloaded).
EraseOutcome EraseAllMemoryChecked(EraseContext& context, const std::optional<ArchiveStore>& store = std::nullopt);
EraseOutcome EraseMemoryPortionChecked(EraseContext& context, int selStart, int selLength,
    const std::optional<ArchiveStore>& store = std::nullopt);
