// A private X server (Xvfb) with a real window manager (openbox), for what a desktop does to the
// tuner's windows; the X server's own tools (xprop, xwininfo, xdotool) inspect them via Output().
#pragma once

#include "Process.h"
#include "TempFolder.h"

#include <poll.h>

#include <regex>
#include <sstream>

namespace test_support
{
// Waits for ready() within the patience; each look runs a tool of the X server's, hence one
// every 10 ms at most.
inline bool Await(const std::function<bool()>& ready)
{
    return WaitFor(ready, [] { usleep(10000); });
}

// The integers of the first line of `text` that follows `label`, in order.
inline std::vector<long> Numbers(const std::string& text, const std::string& label)
{
    std::vector<long> numbers;
    const std::size_t at = text.find(label);
    if (at == std::string::npos)
        return numbers;
    const std::string line =
        text.substr(at + label.size(), text.find('\n', at) - at - label.size());
    static const std::regex number("-?[0-9]+");
    for (std::sregex_iterator i(line.begin(), line.end(), number), end; i != end; ++i)
        numbers.push_back(std::stol(i->str()));
    return numbers;
}

// The visible windows named exactly `name` (xdotool's own match ignores case, and without
// --onlyvisible it also finds Qt's hidden helper windows).
inline std::vector<unsigned long> FindWindows(const std::string& name)
{
    std::vector<unsigned long> ids;
    std::istringstream list(
        Output("xdotool search --onlyvisible --name " + Quoted("^" + name + "$")));
    for (unsigned long id; list >> id;)
        if (Output("xdotool getwindowname " + std::to_string(id)) == name + "\n")
            ids.push_back(id);
    return ids;
}

// A window's frame as the X server and the window manager see it.
struct WindowFrame
{
    int clientX = 0, clientY = 0, clientWidth = 0, clientHeight = 0;
    int left = 0, right = 0, top = 0, bottom = 0; // the window manager's extents
    bool known = false;
    int X() const { return clientX - left; }
    int Y() const { return clientY - top; }
    int Right() const { return clientX + clientWidth + right; }
    int Bottom() const { return clientY + clientHeight + bottom; }
};

// Known once the window is mapped and framed.
inline WindowFrame FrameOf(unsigned long window)
{
    const std::string id = std::to_string(window);
    const std::string info = Output("xwininfo -id " + id);
    const std::vector<long> extents = Numbers(Output("xprop -id " + id + " _NET_FRAME_EXTENTS"),
                                              "_NET_FRAME_EXTENTS(CARDINAL) =");
    const auto x = Numbers(info, "Absolute upper-left X:"),
               y = Numbers(info, "Absolute upper-left Y:");
    const auto w = Numbers(info, "Width:"), h = Numbers(info, "Height:");
    // Extents come as soon as asked for, before the window is mapped where it is going.
    if (extents.size() != 4 || x.empty() || y.empty() || w.empty() || h.empty() ||
        info.find("IsViewable") == std::string::npos)
        return {};
    return WindowFrame{int(x[0]),       int(y[0]),       int(w[0]),
                       int(h[0]),       int(extents[0]), int(extents[1]),
                       int(extents[2]), int(extents[3]), true};
}

// Xvfb and openbox, started with the session and ended with it. Tests take it with
// REQUIRE_STARTED.
class XSession
{
public:
    static constexpr int kWidth = 1024, kHeight = 768;

    XSession()
    {
        if (!(m_missing = NotInstalled({"Xvfb", "openbox", "xprop", "xwininfo", "xdotool"}))
                 .empty())
            return;
        const std::string log = m_dir / "x.log";
        // Xvfb picks a free display and writes its number once it takes connections.
        // (-noreset: else the server resets each time its last client leaves, and drops the next.)
        int number[2] = {-1, -1};
        if (pipe(number) == 0)
            m_server = Spawn({"Xvfb", "-displayfd", std::to_string(number[1]), "-screen", "0",
                              std::to_string(kWidth) + "x" + std::to_string(kHeight) + "x24",
                              "-nolisten", "tcp", "-noreset"},
                             {}, log);
        close(number[1]);
        pollfd told{number[0], POLLIN, 0};
        char text[16] = {};
        if (m_server > 0 && poll(&told, 1, static_cast<int>(Patience().count())) == 1 &&
            read(number[0], text, 15) > 0)
            m_display = ":" + std::to_string(std::atoi(text));
        close(number[0]);
        if (m_display.empty())
        {
            m_problem = "Xvfb did not start: " + Output("tail -5 " + log);
            return;
        }
        m_manager = Spawn({"openbox"}, {"DISPLAY=" + m_display}, log);
        const std::string check = "DISPLAY=" + m_display + " xprop -root _NET_SUPPORTING_WM_CHECK";
        if (m_manager <= 0 ||
            !Await([&] { return Output(check).find("window id") != std::string::npos; }))
            m_problem = "openbox did not start: " + Output("tail -5 " + log);
    }
    ~XSession()
    {
        EndGroup(m_manager);
        EndGroup(m_server);
    }
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool Started() const { return m_missing.empty() && m_problem.empty(); }
    const std::string& Missing() const { return m_missing; }
    const std::string& Problem() const { return m_problem; }
    const std::string& Display() const { return m_display; }

private:
    TempFolder m_dir;
    pid_t m_server = -1;
    pid_t m_manager = -1;
    std::string m_display;
    std::string m_missing;
    std::string m_problem;
};
} // namespace test_support
