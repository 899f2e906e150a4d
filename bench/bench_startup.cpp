// Start-up of the program itself, offscreen: the time from the process's start to the tuner
// window's first paint, and the resident memory of the idle window. Each run starts this program
// afresh as a child that runs the framework's main routine with the real application object and
// an ALSA capture device made from a configuration file.
//
//     build/default/bench/bench_startup [runs]
#include "StdAfx.h"

#include "Quintor.h"
#include "afxwndimpl.h"

#include "../tests/support/SoundFixtures.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
long long NowNs()
{
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// In the child: reports the first paint of the tuner window, then the idle memory, then ends
// the dialog as Escape would.
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(object);
        if (m_seen || event->type() != QEvent::Paint || widget == nullptr || !widget->isWindow() ||
            widget->windowTitle() != QStringLiteral("Quintor"))
            return false;
        m_seen = true;
        printf("first_paint_ns=%lld\n", NowNs());
        fflush(stdout);
        QTimer::singleShot(1000,
                           [widget]
                           {
                               printf("rss_kb=%ld\n", ResidentKb());
                               fflush(stdout);
                               HWND h = reinterpret_cast<HWND>(
                                   widget->property("afxHwnd").value<quintptr>());
                               afx::UserPressedDialogKey(h, VK_ESCAPE);
                           });
        return false;
    }

private:
    bool m_seen = false;
};

void InstallProbe()
{
    if (getenv("QUINTOR_BENCH_CHILD") != nullptr)
        QCoreApplication::instance()->installEventFilter(new FirstPaint);
}
Q_COREAPP_STARTUP_FUNCTION(InstallProbe)

struct Run
{
    double firstPaintMs = -1;
    long rssKb = -1;
};

Run StartOnce(const char* self, const std::string& alsaConfig)
{
    int out[2];
    if (pipe(out) != 0)
        return {};
    long long started = NowNs();
    pid_t pid = fork();
    if (pid == 0)
    {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        setenv("QUINTOR_BENCH_CHILD", "1", 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("ALSA_CONFIG_PATH", alsaConfig.c_str(), 1);
        execl(self, self, "--child", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof(buffer))) > 0)
        text.append(buffer, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    Run run;
    size_t p = text.find("first_paint_ns=");
    if (p != std::string::npos)
        run.firstPaintMs = (std::strtoll(text.c_str() + p + 15, nullptr, 10) - started) / 1e6;
    p = text.find("rss_kb=");
    if (p != std::string::npos)
        run.rssKb = std::strtol(text.c_str() + p + 7, nullptr, 10);
    return run;
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0)
    {
        // The program as it starts: the framework's main routine and the application object.
        static CWinApp* volatile application = &theApp;
        (void)application;
        char* childArgv[] = {argv[0], nullptr};
        return AfxWinMain(1, childArgv);
    }

    int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length <= 0)
        return 1;
    self[length] = '\0';
    test_support::TempFolder dir;
    sound_fixtures::WriteRaw(dir / "silence.raw", std::vector<std::int16_t>(44100, 0));
    std::string config = sound_fixtures::WriteAlsaConfig(
        dir.Path(),
        {{.pcm = "quintorfile", .description = "Carte de mesure", .rawPath = dir / "silence.raw"}});
    std::ofstream(dir / "Accords.ini")
        << "[NOM]\r\nAccord1=Standard\r\n[NOTES]\r\nNotes1=MI1LA1RE2SOL2SI2MI3\r\n";
    if (chdir(dir.Path().c_str()) != 0)
        return 1;

    std::vector<double> paints;
    std::vector<long> memory;
    for (int i = 0; i < runs; ++i)
    {
        Run run = StartOnce(self, config);
        if (run.firstPaintMs < 0)
        {
            fprintf(stderr, "run %d: the window was not painted\n", i);
            return 1;
        }
        paints.push_back(run.firstPaintMs);
        memory.push_back(run.rssKb);
    }
    std::sort(paints.begin(), paints.end());
    std::sort(memory.begin(), memory.end());
    printf("runs: %d\n", runs);
    printf("process start to first paint: median %.1f ms (min %.1f, max %.1f)\n",
           paints[paints.size() / 2], paints.front(), paints.back());
    printf("resident memory of the idle window: median %.1f MiB (min %.1f, max %.1f)\n",
           memory[memory.size() / 2] / 1024.0, memory.front() / 1024.0, memory.back() / 1024.0);
    return 0;
}
