// Slot arrays of the reference-counted buffer tables: owned objects addressed by 16-bit ids,
// null for a free slot, each with a reference count.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/debug_log.h"

// The first slot of a run of n free slots, growing the slot array when no run fits; -1 when the
// run would pass maxSlots.
template <typename T>
int32_t ReserveSlotRun(std::vector<T*>& slots, uint32_t n, uint32_t growth, uint32_t maxSlots) {
    if (n == 0) return -1;
    const uint32_t capacity = uint32_t(slots.size());
    uint32_t runStart = 0, runLength = 0;
    for (uint32_t i = 0; i < capacity; ++i) {
        if (slots[i]) {
            runLength = 0;
            continue;
        }
        if (runLength == 0) runStart = i;
        if (++runLength == n) return int32_t(runStart);
    }
    // No run fits: continue the free run that reaches the end, or start at the end.
    uint32_t start = runLength > 0 ? runStart : capacity;
    uint64_t needed = uint64_t(start) + n;
    if (needed > maxSlots) return -1;
    uint64_t grown = capacity;
    while (grown < needed) grown += growth;
    if (grown > maxSlots) grown = maxSlots;
    slots.resize(size_t(grown), nullptr);
    return int32_t(start);
}

// The object in a free slot (the array grown when none is free); -1 when it would pass maxSlots.
template <typename T>
int32_t AddToSlots(std::vector<T*>& slots, uint16_t* held, T* object, uint32_t growth, uint32_t maxSlots) {
    const int32_t id = ReserveSlotRun(slots, 1, growth, maxSlots);
    if (id < 0) return -1;
    slots[size_t(id)] = object;
    ++*held;
    return id;
}

// Deletes every object and empties the array.
template <typename T>
void FreeSlots(std::vector<T*>& slots, uint16_t* held) {
    for (T*& p : slots) {
        delete p;
        p = nullptr;
    }
    slots.clear();
    slots.shrink_to_fit();
    *held = 0;
}

// The new count; 0 for an id outside the table, -1 for an empty slot.
template <typename T>
int32_t AddRefSlot(std::vector<T*>& slots, int32_t id) {
    uint16_t slot = uint16_t(id);
    if (slot >= slots.size()) return 0;
    T* p = slots[slot];
    if (!p) return -1;
    if (p->refCount < 0xFFFF) ++p->refCount;
    return p->refCount;
}

// The new count; the object is deleted and its slot freed at 0.
template <typename T>
int32_t ReleaseSlot(std::vector<T*>& slots, uint16_t* held, int32_t id) {
    uint16_t slot = uint16_t(id);
    if (slot >= slots.size()) return 0;
    T* p = slots[slot];
    if (!p) return -1;
    if (p->refCount > 0) --p->refCount;
    if (p->refCount > 0) return p->refCount;
    delete p;
    slots[slot] = nullptr;
    --*held;
    return 0;
}

// Reads n records into a fresh run of slots with loadOne(object, &malformed). One malformed
// record rejects the whole block and leaves the table as it was. The first id, or -1.
template <typename T, typename LoadOne>
int32_t LoadSlotRun(std::vector<T*>& slots, uint16_t* held, uint32_t n, uint32_t growth, uint32_t maxSlots,
                    const char* table, LoadOne loadOne) {
    const size_t oldCapacity = slots.size();
    int32_t start = ReserveSlotRun(slots, n, growth, maxSlots);
    if (start < 0) {
        WriteDebugLogF("%s::Load: no caben %u buffers mas en la tabla", table, n);
        return -1;
    }
    for (uint32_t i = 0; i < n; ++i) {
        T* p = new T();
        slots[size_t(start) + i] = p;
        bool malformed = false;
        loadOne(p, &malformed);
        if (malformed) {
            for (uint32_t k = 0; k <= i; ++k) {
                delete slots[size_t(start) + k];
                slots[size_t(start) + k] = nullptr;
            }
            slots.resize(oldCapacity);
            WriteDebugLogF("%s::Load: registro %u defectuoso, bloque rechazado", table, i);
            return -1;
        }
    }
    *held = uint16_t(*held + n);
    return start;
}
