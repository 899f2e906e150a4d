// Screen requests from threads other than the interface thread: gathered per thread, coalesced,
// published as one batch into a single slot, and carried out by the interface thread.
#include "afxwndimpl.h"

#include <atomic>
#include <memory>
#include <vector>

namespace
{
struct Op
{
    enum Kind
    {
        SetPos,
        Invalidate,
        Draw
    } kind;
    HWND hWnd;
    // The window's top-level window, taken while it was known to live: a batch may outlive the
    // windows it names, and is never to read them.
    HWND top;
    std::uint64_t serial;
    int value;
    afx::DrawOp draw;
};

// Far more than a pass of any sane worker draws; past it the batch goes out as it is.
constexpr size_t kMaxOps = 1024;

HWND TopLevelOf(HWND h)
{
    while (h->parent != nullptr)
        h = h->parent;
    return h;
}

struct Batch
{
    std::vector<Op> ops;

    void Add(const Op& op)
    {
        if (op.kind == Op::SetPos)
            std::erase_if(ops,
                          [&](const Op& o) { return o.kind == Op::SetPos && o.hWnd == op.hWnd; });
        else if (op.kind == Op::Invalidate)
            // What the invalidation erases need not be carried out at all.
            std::erase_if(
                ops, [&](const Op& o)
                { return o.kind != Op::SetPos && (o.hWnd == op.hWnd || o.top == op.hWnd); });
        ops.push_back(op);
    }
};

std::atomic<Batch*> g_published{nullptr};
std::atomic<bool> g_wakePending{false};

struct Pending
{
    std::unique_ptr<Batch> batch;
    ~Pending() { afx::PublishPendingUpdates(); }
};

Pending& ThisThread()
{
    thread_local Pending pending;
    return pending;
}

void Queue(const Op& op)
{
    Pending& pending = ThisThread();
    if (!pending.batch)
        pending.batch = std::make_unique<Batch>();
    pending.batch->Add(op);
    if (pending.batch->ops.size() >= kMaxOps)
        afx::PublishPendingUpdates();
}
} // namespace

namespace afx
{
void QueueSetPos(HWND hWnd, int pos)
{
    Queue(Op{Op::SetPos, hWnd, TopLevelOf(hWnd), hWnd->serial, ClampToRange(hWnd, pos), {}});
}

void QueueInvalidate(HWND hWnd)
{
    Queue(Op{Op::Invalidate, hWnd, TopLevelOf(hWnd), hWnd->serial, 0, {}});
}

void QueueDraw(HWND hWnd, const DrawOp& draw)
{
    Queue(Op{Op::Draw, hWnd, TopLevelOf(hWnd), hWnd->serial, 0, draw});
}

void PublishPendingUpdates()
{
    if (IsInterfaceThread())
        return;
    Pending& pending = ThisThread();
    if (!pending.batch || pending.batch->ops.empty())
        return;
    Batch* batch = pending.batch.release();
    // The slot holds one batch: one the interface thread has not taken yet is merged, older first.
    for (;;)
    {
        Batch* expected = nullptr;
        if (g_published.compare_exchange_strong(expected, batch, std::memory_order_acq_rel))
            break;
        Batch* older = g_published.exchange(nullptr, std::memory_order_acq_rel);
        if (older != nullptr)
        {
            for (const Op& op : batch->ops)
                older->Add(op);
            delete batch;
            batch = older;
        }
    }
    if (!g_wakePending.exchange(true))
        if (WindowBackend* backend = GetWindowBackend())
            backend->WakeInterfaceThread();
}

void ProcessPendingUpdates()
{
    g_wakePending.store(false);
    std::unique_ptr<Batch> batch(g_published.exchange(nullptr, std::memory_order_acq_rel));
    if (!batch)
        return;
    for (const Op& op : batch->ops)
    {
        if (!IsLiveWindow(op.hWnd, op.serial))
            continue;
        switch (op.kind)
        {
            case Op::SetPos:
                ApplySetPos(op.hWnd, op.value);
                break;
            case Op::Invalidate:
                ApplyInvalidate(op.hWnd);
                break;
            case Op::Draw:
                ApplyDraw(op.hWnd, op.draw);
                break;
        }
    }
}
} // namespace afx
