// What passes on a worker cost the screen: which controls they repaint, and what they leave
// waiting for the interface thread.
#include "AnalysisFixture.h"

#include <QPaintEvent>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <utility>
#include <thread>

using namespace test_support;

namespace
{
// A window as a failure message tells it apart: its id (0 for the dialog) and its left edge,
// for the marks under the strings share one id.
using Names = std::set<std::pair<int, LONG>>;

std::pair<int, LONG> NameOf(HWND h)
{
    return {afx::Win(h)->parent == nullptr ? 0 : afx::Win(h)->id, afx::Win(h)->rect.left};
}

// What repainting these controls repaints: them, and the transparent windows over them (the
// marks under the strings), which are drawn again over whatever changes beneath.
Names Repainting(const CDialog& dlg, const std::set<int>& ids)
{
    Names names;
    for (int id : ids)
    {
        HWND h = dlg.GetDlgItem(id)->m_hWnd;
        names.insert(NameOf(h));
        for (const auto& other : afx::Win(dlg.m_hWnd)->children)
        {
            const RECT& a = afx::Win(h)->rect;
            const RECT& b = other->rect;
            if ((other->exStyle & WS_EX_TRANSPARENT) && a.left < b.right && b.left < a.right &&
                a.top < b.bottom && b.top < a.bottom)
                names.insert(NameOf(afx::ToHwnd(other.get())));
        }
    }
    return names;
}

// One analysis pass over a spectrum holding this one bin, on a worker.
void PassOnWorker(SpectrumDialog& s, UINT bin)
{
    s.SetSpectrum({{bin, 1e8}});
    std::thread worker([&] { s.dlg.Analyse(); });
    worker.join();
}

// The back end in use, with the wake-ups it receives counted: whatever a worker publishes wakes
// it once until the interface thread has served it, and what publishes nothing wakes nobody.
class CountingWakes : public afx::WindowBackend
{
public:
    CountingWakes() : m_inner(afx::GetWindowBackend()) { afx::SetWindowBackend(this); }
    ~CountingWakes() override { afx::SetWindowBackend(m_inner); }
    SIZE DialogBaseUnits(const CString& face, int points) override
    {
        return m_inner->DialogBaseUnits(face, points);
    }
    std::unique_ptr<afx::WindowPeer> CreatePeer(HWND h) override { return m_inner->CreatePeer(h); }
    void RunModalLoop(HWND h) override { m_inner->RunModalLoop(h); }
    void EndModalLoop(HWND h) override { m_inner->EndModalLoop(h); }
    RECT DesktopRect() override { return m_inner->DesktopRect(); }
    void WakeInterfaceThread() override
    {
        ++wakes;
        m_inner->WakeInterfaceThread();
    }
    void Execute(void* painter, const afx::DrawOp& op) override { m_inner->Execute(painter, op); }

    std::atomic<int> wakes{0};

private:
    afx::WindowBackend* m_inner;
};

// The dialog on the offscreen screen, painted once, with no caret blinking in it, and the
// windows whose widgets then receive a paint event.
class PaintedDialog : public QObject
{
public:
    PaintedDialog()
    {
        if (!s.created)
            return;
        // A pixel no control covers, painted on demand: painting it paints everything pending
        // in the window first, so what Painted() reads after it is complete.
        m_sentinel.emplace(s.dlg.Widget());
        m_sentinel->setAttribute(Qt::WA_OpaquePaintEvent);
        m_sentinel->setGeometry(0, 0, 1, 1);
        m_sentinel->show();
        QCoreApplication::instance()->installEventFilter(this);
        if (QWidget* focus = QApplication::focusWidget())
            focus->clearFocus();
        PumpUntil("the dialog's first paint", [&] { return !m_painted.empty(); });
        ready = true;
        ServeInterface();
        Painted();
    }
    ~PaintedDialog() override { QCoreApplication::instance()->removeEventFilter(this); }

    // The windows painted since the last call.
    Names Painted()
    {
        m_sentinel->repaint();
        Names painted;
        painted.swap(m_painted);
        return painted;
    }

    SpectrumDialog s;
    bool ready = false;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        const QVariant v =
            event->type() == QEvent::Paint ? object->property("afxHwnd") : QVariant();
        if (v.isValid())
            m_painted.insert(NameOf(reinterpret_cast<HWND>(v.value<quintptr>())));
        return false;
    }

private:
    std::optional<QWidget> m_sentinel; // goes before the dialog it sits on
    Names m_painted;
};

constexpr int kSlider = IDC_SLIDER;
constexpr int kString1 = IDC_STRING1 + 1;
constexpr int kString5 = IDC_STRING1 + 5;

TEST(RepaintAfterAWorkersPass, OnlyTheControlsWhoseLookChanged)
{
    // 654: 110 Hz, position 293, green on string 1; 648: 109 Hz, 290, yellow on string 1; 571:
    // 96 Hz, 163, no frame; 1962 and 1950: 330 and 328 Hz, 906 and 900, green on string 5.
    struct Case
    {
        const char* name;
        UINT before;
        UINT after;
        std::set<int> repainted;
    } cases[] = {
        {"the same frame again", 654, 654, {}},
        {"no frame again", 571, 571, {}},
        {"the slider alone", 1962, 1950, {kSlider}},
        {"the frame's colour", 654, 648, {kSlider, kString1}},
        {"the frame to another string", 654, 1962, {kSlider, kString1, kString5}},
        {"a frame appears", 571, 654, {kSlider, kString1}},
        {"the frame goes", 654, 571, {kSlider, kString1}},
    };
    PaintedDialog d;
    ASSERT_TRUE(d.ready);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        PassOnWorker(d.s, c.before);
        afx::ProcessPendingUpdates();
        d.Painted();

        PassOnWorker(d.s, c.after);
        afx::ProcessPendingUpdates();
        EXPECT_EQ(d.Painted(), Repainting(d.s.dlg, c.repainted));
    }
}

TEST(RepeatedPasses, PublishNothingOnceShownButPutBackWhatTheInterfaceThreadErased)
{
    PaintedDialog d;
    ASSERT_TRUE(d.ready);
    d.s.SetSpectrum({{1962, 1e8}}); // 330 Hz, string 5
    CountingWakes backend;
    LoopingThread worker([&] { d.s.dlg.Analyse(); });
    auto shown = [&] { return d.s.FrameShown() == Frame{5, kGreen}; };
    PumpUntil("the green frame of string 5", shown);
    // What was published as the frame went up is taken once more.
    const long first = worker.Passes();
    PumpUntil("the worker's next passes", [&] { return worker.Passes() >= first + 3; });
    afx::ProcessPendingUpdates();
    backend.wakes = 0;
    d.Painted();

    for (int round = 0; round < 5; ++round)
    {
        const long before = worker.Passes();
        test_support::WaitUntil("three more passes", [&] { return worker.Passes() >= before + 3; });
        EXPECT_EQ(backend.wakes, 0) << "round " << round;
        afx::ProcessPendingUpdates();
        EXPECT_EQ(d.Painted(), Names()) << "round " << round;
    }

    // The worker's next, unchanged pass still puts back the frame the interface thread erased.
    d.s.dlg.Invalidate(TRUE);
    ASSERT_FALSE(d.s.FrameShown().has_value());
    PumpUntil("the green frame of string 5 put back", shown);
}

// Passes that never wait for the interface thread, which serves nothing meanwhile: it is woken
// once, not once a pass, and once served the screen shows the last pass.
TEST(AFloodOfPasses, WakesTheInterfaceThreadOnceAndLeavesTheLastPassShown)
{
    struct Case
    {
        const char* name;
        // Pass n of the flood; each ends by reading the slider, which publishes.
        std::function<void(SpectrumDialog&, int)> pass;
    } cases[] = {
        {"analyses that move every time",
         [](SpectrumDialog& s, int n)
         {
             s.SetSpectrum({{n % 2 == 0 ? 1962u : 654u, 1e8}});
             s.dlg.Analyse();
         }},
        {"frames drawn with no erase, two colours by turns",
         [](SpectrumDialog& s, int n)
         {
             CClientDC dc(s.Label(3));
             CPen pen(PS_SOLID, 5, n % 2 == 0 ? kGreen : kYellow);
             dc.SelectObject(&pen);
             dc.LineTo(0, 18);
             dc.LineTo(25, 18);
         }},
    };
    constexpr int kPasses = 3000;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        // The passes carried out one by one on the interface thread give what is to be shown.
        int position = 0;
        std::vector<std::vector<afx::DrawOp>> drawn;
        {
            SpectrumDialog s;
            ASSERT_TRUE(s.created);
            for (int n = 0; n < kPasses; ++n)
                c.pass(s, n);
            position = s.dlg.SliderPos();
            for (int i = 0; i < 6; ++i)
                drawn.push_back(s.Retained(i));
        }

        SpectrumDialog s;
        ASSERT_TRUE(s.created);
        afx::ProcessPendingUpdates();
        CountingWakes backend;
        std::thread worker(
            [&]
            {
                for (int n = 0; n < kPasses; ++n)
                {
                    c.pass(s, n);
                    s.dlg.m_Slider.GetRangeMax(); // publishes, as a pass does
                }
            });
        worker.join();
        EXPECT_EQ(backend.wakes, 1);
        afx::ProcessPendingUpdates();
        EXPECT_EQ(s.dlg.SliderPos(), position);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(s.Retained(i), drawn[i]) << "string " << i;
        // Nothing older was left behind to come out later.
        s.Scribble();
        afx::ProcessPendingUpdates();
        EXPECT_EQ(s.dlg.SliderPos(), 500);
    }
}
} // namespace
