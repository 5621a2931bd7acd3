// guardedmemory.h - memory whose end touches an inaccessible page, so that a
// read or write one byte past a buffer placed at the end faults at once.
#pragma once

#include <cstddef>

class GuardedMemory {
public:
    // Room for at least `size` bytes before the guard page.
    explicit GuardedMemory(size_t size);
    ~GuardedMemory();
    GuardedMemory(const GuardedMemory&) = delete;
    GuardedMemory& operator=(const GuardedMemory&) = delete;

    bool Ok() const { return m_base != nullptr; }
    // The first inaccessible byte.
    char* End() const { return m_end; }
    // `size` bytes that end right at the guard page.
    char* Tail(size_t size) const { return m_end - size; }
    // Whether the byte at End() is really inaccessible.
    bool GuardIsInaccessible() const;

private:
    char* m_base = nullptr;
    char* m_end = nullptr;
};
