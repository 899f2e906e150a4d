// The debug allocator behind DEBUG_NEW: it remembers the source file and line of each block until
// the block is freed. Release builds have nothing here: DEBUG_NEW is plain new there.
#include "afx.h"

#ifdef _DEBUG

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <new>

// Under a sanitizer the runtime owns operator new and delete; it tells us of each free through a
// hook instead. Elsewhere the global operators are replaced here, so that delete can forget the
// block.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define AFX_MEM_FREE_HOOK 1
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*,
                                                                             std::size_t),
                                                         void (*free_hook)(const volatile void*));
#else
#define AFX_MEM_FREE_HOOK 0
#endif

namespace
{
struct Site
{
    std::size_t size;
    const char* file;
    int line;
};

// The table's own nodes come straight from malloc, so that keeping it never re-enters the
// operators (or the hook) that keep it.
template <class T> struct RawAllocator
{
    using value_type = T;
    RawAllocator() = default;
    template <class U> RawAllocator(const RawAllocator<U>&) {}
    T* allocate(std::size_t n)
    {
        void* p = std::malloc(n * sizeof(T));
        if (p == nullptr)
            throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t) { std::free(p); }
    template <class U> bool operator==(const RawAllocator<U>&) const { return true; }
};

using SiteMap = std::map<std::uintptr_t, Site, std::less<std::uintptr_t>,
                         RawAllocator<std::pair<const std::uintptr_t, Site>>>;

struct SiteTable
{
    std::mutex lock;
    SiteMap sites;
};

// Count of recorded blocks, read without the lock so that frees skip the table when it is empty.
std::atomic<std::size_t> g_recorded{0};

// Built on first use and never destroyed: frees keep arriving during static destruction.
SiteTable& Table()
{
    static SiteTable* table = new (std::malloc(sizeof(SiteTable))) SiteTable();
    return *table;
}

#if AFX_MEM_FREE_HOOK
// Frees made by the table itself arrive at the hook while the lock is held.
thread_local bool t_inTable = false;
#endif

void Forget(const void* p)
{
    if (p == nullptr || g_recorded.load(std::memory_order_acquire) == 0)
        return;
#if AFX_MEM_FREE_HOOK
    if (t_inTable)
        return;
    t_inTable = true;
#endif
    SiteTable& table = Table();
    {
        std::lock_guard<std::mutex> guard(table.lock);
        if (table.sites.erase(reinterpret_cast<std::uintptr_t>(p)) != 0)
            g_recorded.fetch_sub(1, std::memory_order_release);
    }
#if AFX_MEM_FREE_HOOK
    t_inTable = false;
#endif
}

#if AFX_MEM_FREE_HOOK
void OnMalloc(const volatile void*, std::size_t) {}
void OnFree(const volatile void* p)
{
    Forget(const_cast<const void*>(p));
}
std::once_flag g_hookOnce;
#endif

void* Record(void* p, std::size_t size, const char* file, int line)
{
#if AFX_MEM_FREE_HOOK
    std::call_once(g_hookOnce, [] { __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree); });
    t_inTable = true;
#endif
    SiteTable& table = Table();
    {
        std::lock_guard<std::mutex> guard(table.lock);
        // An address freed behind our back (by a path no hook sees) is simply taken over.
        auto [it, inserted] = table.sites.insert_or_assign(reinterpret_cast<std::uintptr_t>(p),
                                                           Site{size, file, line});
        (void)it;
        if (inserted)
            g_recorded.fetch_add(1, std::memory_order_release);
    }
#if AFX_MEM_FREE_HOOK
    t_inTable = false;
#endif
    return p;
}

#if !AFX_MEM_FREE_HOOK
void* Allocate(std::size_t size)
{
    if (size == 0)
        size = 1;
    for (;;)
    {
        if (void* p = std::malloc(size))
            return p;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr)
            throw std::bad_alloc();
        handler();
    }
}

void Release(void* p) noexcept
{
    Forget(p);
    std::free(p);
}
#endif
} // namespace

void* operator new(std::size_t size, const char* file, int line)
{
    return Record(::operator new(size), size, file, line);
}

void* operator new[](std::size_t size, const char* file, int line)
{
    return Record(::operator new[](size), size, file, line);
}

void operator delete(void* p, const char*, int) noexcept
{
    ::operator delete(p);
}

void operator delete[](void* p, const char*, int) noexcept
{
    ::operator delete[](p);
}

bool AfxGetAllocationSite(const void* p, const char** file, int* line)
{
    if (p == nullptr || g_recorded.load(std::memory_order_acquire) == 0)
        return false;
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(p);
    SiteTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    // The block starting at or before p; p may point past an array's length prefix.
    auto it = table.sites.upper_bound(address);
    if (it == table.sites.begin())
        return false;
    --it;
    const std::size_t extent = it->second.size != 0 ? it->second.size : 1;
    if (address - it->first >= extent)
        return false;
    if (file != nullptr)
        *file = it->second.file;
    if (line != nullptr)
        *line = it->second.line;
    return true;
}

#if !AFX_MEM_FREE_HOOK
void* operator new(std::size_t size)
{
    return Allocate(size);
}
void* operator new[](std::size_t size)
{
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return Allocate(size);
    }
    catch (...)
    {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return Allocate(size);
    }
    catch (...)
    {
        return nullptr;
    }
}
void operator delete(void* p) noexcept
{
    Release(p);
}
void operator delete[](void* p) noexcept
{
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    Release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    Release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    Release(p);
}
#endif

#endif // _DEBUG
