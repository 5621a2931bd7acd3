// guardedmemory.cpp - accessible pages followed by one PAGE_NOACCESS page.
#include "guardedmemory.h"

#include <windows.h>

namespace {

size_t PageSize() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

} // namespace

GuardedMemory::GuardedMemory(size_t size) {
    const size_t page = PageSize();
    const size_t usable = (size + page - 1) / page * page;
    void* base = VirtualAlloc(nullptr, usable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (base == nullptr)
        return;
    DWORD old = 0;
    if (!VirtualProtect(static_cast<char*>(base) + usable, page, PAGE_NOACCESS, &old)) {
        VirtualFree(base, 0, MEM_RELEASE);
        return;
    }
    m_base = static_cast<char*>(base);
    m_end = m_base + usable;
}

GuardedMemory::~GuardedMemory() {
    if (m_base != nullptr)
        VirtualFree(m_base, 0, MEM_RELEASE);
}

bool GuardedMemory::GuardIsInaccessible() const {
    MEMORY_BASIC_INFORMATION info;
    if (m_end == nullptr || VirtualQuery(m_end, &info, sizeof(info)) == 0)
        return false;
    return info.State == MEM_COMMIT && info.Protect == PAGE_NOACCESS;
}
