#pragma once
// Replaces the global operator new with one that counts, for the programs that check
// that an exchange allocates nothing. Include in exactly one file of a program.
#include <atomic>
#include <cstdlib>
#include <new>

inline std::atomic<long> g_allocations{0};

void* operator new(std::size_t n)
{
    ++g_allocations;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
