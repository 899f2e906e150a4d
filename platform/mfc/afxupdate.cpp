// Screen requests from threads other than the interface thread. Each thread keeps the newest
// state it asked of each window, publishes it into a single slot, and the interface thread
// carries out only what differs from what the window already shows. A thread asking again
// exactly what it last published, nothing shown having changed since, wakes nobody.
#include "afxwndimpl.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

namespace
{
// What one thread last asked of one window.
struct Request
{
    HWND hWnd;
    // The window's top-level window, taken while it was known to live: a batch may outlive the
    // windows it names, and is never to read them.
    HWND top;
    std::uint64_t serial;
    bool hasPos = false;
    int pos = 0;
    // Invalidated: the window and its children start over.
    bool eraseTree = false;
    // Its drawing starts over, by its own invalidation or an ancestor's.
    bool erased = false;
    // Drawn since, or onto what it shows when not erased.
    std::vector<afx::DrawOp> draws;

    bool operator==(const Request&) const = default;
};

HWND TopLevelOf(HWND h)
{
    while (afx::Win(h)->parent != nullptr)
        h = afx::Win(h)->parent;
    return h;
}

struct Batch
{
    std::vector<Request> requests;

    bool operator==(const Batch&) const = default;

    Request& For(HWND hWnd, HWND top, std::uint64_t serial)
    {
        for (Request& r : requests)
            if (r.hWnd == hWnd && r.serial == serial)
                return r;
        return requests.emplace_back(Request{hWnd, top, serial, false, 0, false, false, {}});
    }

    void Invalidate(HWND hWnd, HWND top, std::uint64_t serial)
    {
        for (Request& r : requests)
            if (r.hWnd == hWnd || r.top == hWnd)
            {
                r.erased = true;
                r.draws.clear();
            }
        Request& r = For(hWnd, top, serial);
        r.eraseTree = true;
        r.erased = true;
    }

    // A newer batch on top of this one: its invalidations come before all its drawing.
    void Merge(const Batch& newer)
    {
        for (const Request& n : newer.requests)
            if (n.eraseTree)
                Invalidate(n.hWnd, n.top, n.serial);
        for (const Request& n : newer.requests)
        {
            Request& r = For(n.hWnd, n.top, n.serial);
            if (n.hasPos)
            {
                r.hasPos = true;
                r.pos = n.pos;
            }
            if (n.erased && !r.erased)
            {
                r.erased = true;
                r.draws.clear();
            }
            for (const afx::DrawOp& op : n.draws)
                afx::AppendDraw(r.draws, op);
        }
    }
};

std::atomic<Batch*> g_published{nullptr};
std::atomic<bool> g_wakePending{false};
// Counts the interface thread's changes to what peers show.
std::atomic<std::uint64_t> g_screenChanges{0};

struct Pending
{
    std::unique_ptr<Batch> batch;
    // What this thread published last, and the count of screen changes just before.
    Batch last;
    std::uint64_t lastChanges = ~std::uint64_t{0};
};

void Publish(Pending& pending);

// What a thread asked for goes out when it ends, whoever started it.
void WINAPI ReleasePending(PVOID pending)
{
    Publish(*static_cast<Pending*>(pending));
    delete static_cast<Pending*>(pending);
}

// Each thread's own, released when the thread ends. A fiber-local slot rather than the language's
// thread_local: MinGW-w64's thread_local objects with destructors break at thread end.
Pending& ThisThread()
{
    static const DWORD slot = FlsAlloc(ReleasePending);
    auto* pending = static_cast<Pending*>(FlsGetValue(slot));
    if (pending == nullptr)
    {
        pending = new Pending;
        FlsSetValue(slot, pending);
    }
    return *pending;
}

Batch& PendingBatch()
{
    Pending& pending = ThisThread();
    if (!pending.batch)
        pending.batch = std::make_unique<Batch>();
    return *pending.batch;
}

template <typename Fn> void ForEachWindow(HWND h, const Fn& fn)
{
    fn(h);
    for (auto& child : afx::Win(h)->children)
        ForEachWindow(afx::ToHwnd(child.get()), fn);
}

// What a window is to show once a batch is carried out.
struct Outcome
{
    HWND hWnd;
    std::vector<afx::DrawOp> drawing;
    bool erased = false;
};

Outcome& OutcomeOf(std::vector<Outcome>& outcomes, HWND h)
{
    for (Outcome& o : outcomes)
        if (o.hWnd == h)
            return o;
    return outcomes.emplace_back(Outcome{h, afx::Win(h)->retained});
}

void Apply(const Batch& batch)
{
    std::vector<Outcome> outcomes;
    for (const Request& r : batch.requests)
        if (r.eraseTree && afx::IsLiveWindow(r.hWnd, r.serial))
            ForEachWindow(r.hWnd,
                          [&](HWND h)
                          {
                              Outcome& o = OutcomeOf(outcomes, h);
                              o.drawing.clear();
                              o.erased = true;
                          });
    for (const Request& r : batch.requests)
    {
        if (!afx::IsLiveWindow(r.hWnd, r.serial))
            continue;
        if (r.hasPos && afx::ClampToRange(r.hWnd, r.pos) != afx::Win(r.hWnd)->pos.load())
            afx::ApplySetPos(r.hWnd, r.pos);
        if (!r.erased && r.draws.empty())
            continue;
        Outcome& o = OutcomeOf(outcomes, r.hWnd);
        if (r.erased && !o.erased)
        {
            o.drawing.clear();
            o.erased = true;
        }
        for (const afx::DrawOp& op : r.draws)
            afx::AppendDraw(o.drawing, op);
    }
    // Erased and drawn the same again is no change; a window painted by its own handling is
    // asked what it would paint now.
    for (Outcome& o : outcomes)
    {
        HWND h = o.hWnd;
        bool changed = o.drawing != afx::Win(h)->retained;
        if (changed)
            afx::Win(h)->retained = std::move(o.drawing);
        if (!changed && o.erased && afx::Win(h)->paintsByMessage)
            changed = afx::RehearsePaint(h) != afx::Win(h)->painted;
        if (changed)
            afx::Win(h)->Notify(afx::ChangeRepaint);
    }
}
} // namespace

namespace afx
{
void NoteScreenChange()
{
    g_screenChanges.fetch_add(1, std::memory_order_acq_rel);
}

void AppendDraw(std::vector<DrawOp>& drawing, const DrawOp& op)
{
    // An icon may blend with what lies under it: drawn twice is not drawn once.
    if (op.kind == DrawOp::Line)
        std::erase(drawing, op);
    drawing.push_back(op);
}

void QueueSetPos(HWND hWnd, int pos)
{
    Request& r = PendingBatch().For(hWnd, TopLevelOf(hWnd), afx::Win(hWnd)->serial);
    r.hasPos = true;
    r.pos = ClampToRange(hWnd, pos);
}

void QueueInvalidate(HWND hWnd)
{
    PendingBatch().Invalidate(hWnd, TopLevelOf(hWnd), afx::Win(hWnd)->serial);
}

void QueueDraw(HWND hWnd, const DrawOp& draw)
{
    AppendDraw(PendingBatch().For(hWnd, TopLevelOf(hWnd), afx::Win(hWnd)->serial).draws, draw);
}

void PublishPendingUpdates()
{
    if (!IsInterfaceThread())
        Publish(ThisThread());
}
} // namespace afx

namespace
{
void Publish(Pending& pending)
{
    if (!pending.batch || pending.batch->requests.empty())
        return;
    // Read before publishing: a change the interface thread makes from here on, this batch's
    // own included, gets the same request published once more.
    const std::uint64_t changes = g_screenChanges.load(std::memory_order_acquire);
    if (changes == pending.lastChanges && *pending.batch == pending.last)
    {
        pending.batch->requests.clear();
        return;
    }
    pending.last = *pending.batch;
    pending.lastChanges = changes;
    Batch* batch = pending.batch.release();
    // The slot holds one batch: one the interface thread has not taken yet takes this one in.
    for (;;)
    {
        Batch* expected = nullptr;
        if (g_published.compare_exchange_strong(expected, batch, std::memory_order_acq_rel))
            break;
        Batch* older = g_published.exchange(nullptr, std::memory_order_acq_rel);
        if (older != nullptr)
        {
            older->Merge(*batch);
            delete batch;
            batch = older;
        }
    }
    if (!g_wakePending.exchange(true))
        if (afx::WindowBackend* backend = afx::GetWindowBackend())
            backend->WakeInterfaceThread();
}
} // namespace

namespace afx
{
void ProcessPendingUpdates()
{
    g_wakePending.store(false);
    std::unique_ptr<Batch> batch(g_published.exchange(nullptr, std::memory_order_acq_rel));
    if (batch)
        Apply(*batch);
}
} // namespace afx
