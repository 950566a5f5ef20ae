#pragma once
// Counts heap allocations, for the programs that check that an exchange allocates
// nothing: every one, also those Qt makes with malloc (a QString's text, say), not
// only operator new. Include in exactly one file of a program.
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

inline std::atomic<long> g_allocations{0};

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer owns malloc; it reports every allocation to a hook.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, std::size_t),
                                                         void (*)(const volatile void*));
namespace counting_detail {
inline void onAllocation(const volatile void*, std::size_t) { ++g_allocations; }
inline void onRelease(const volatile void*) { }
inline const int hooked = __sanitizer_install_malloc_and_free_hooks(onAllocation, onRelease);
} // namespace counting_detail
#elif defined(__GLIBC__)
// glibc: malloc and its siblings defined here take the place of the library's for
// the whole process; operator new goes through malloc.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* malloc(std::size_t n)
{
    ++g_allocations;
    return __libc_malloc(n);
}
void* calloc(std::size_t n, std::size_t size)
{
    ++g_allocations;
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t n)
{
    ++g_allocations;
    return __libc_realloc(p, n);
}
}
#else
void* operator new(std::size_t n)
{
    ++g_allocations;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif
