// The program itself on an X server, beside a minimal Qt dialog with the same controls started
// the same way: process start to the window's first paint, and while it captures from a private
// PulseAudio server playing a plucked string, the interface thread's CPU and the resident
// memory. Each run starts this program afresh as a child: the tuner runs the framework's main
// routine with the real application object; the minimal dialog is plain Qt. The benchmark starts
// its own Xvfb (with openbox) and sound server.
//
//     build/default/bench/bench_startup [runs] [capture seconds]
#include "StdAfx.h"

#include "Quintor.h"
#include "afxalsa.h"
#include "afxqt.h"
#include "afxwndimpl.h"

#include "SoundFixtures.h"
#include "XSession.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <memory>
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

// CPU time of the process's main thread (the interface thread), in seconds.
double MainThreadCpu()
{
    std::ifstream in("/proc/self/task/" + std::to_string(getpid()) + "/stat");
    std::string line;
    std::getline(in, line);
    const size_t close = line.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::vector<std::string> fields;
    std::string field;
    for (char c : line.substr(close + 2) + " ")
        if (c == ' ')
        {
            fields.push_back(field);
            field.clear();
        }
        else
            field += c;
    // utime and stime, the 14th and 15th fields, counted from the state (the 3rd).
    return (std::stod(fields[11]) + std::stod(fields[12])) / sysconf(_SC_CLK_TCK);
}

HWND Child(HWND dlg, int id)
{
    for (const auto& child : afx::Win(dlg)->children)
        if (child->id == id)
            return afx::ToHwnd(child.get());
    return nullptr;
}

// In the tuner: the sound server's card chosen, then GO.
bool StartCapture(HWND dlg)
{
    HWND card = Child(dlg, 1000);
    HWND go = Child(dlg, 1002);
    if (card == nullptr || go == nullptr)
        return false;
    for (size_t i = 0; i < afx::Win(card)->items.size(); ++i)
        if (std::strncmp(afx::Win(card)->items[i].text, "PulseAudio", 10) == 0)
        {
            if (afx::Win(card)->curSel != static_cast<int>(i))
                afx::UserSelectedComboItem(card, static_cast<int>(i));
            break;
        }
    if (!afx::Win(go)->IsEnabled())
        return false;
    afx::UserClickedButton(go);
    return true;
}

// In the child: reports the first paint of the window, then, over the capture (the tuner's,
// or the same time idle for the minimal dialog), the interface thread's CPU and the highest
// resident memory; then ends the dialog as Escape would.
class Probe : public QObject
{
public:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(object);
        if (m_window != nullptr || event->type() != QEvent::Paint || widget == nullptr ||
            !widget->isWindow() || widget->windowTitle() != QStringLiteral("Quintor"))
            return false;
        m_window = widget;
        printf("first_paint_ns=%lld\n", NowNs());
        printf("rss_idle_kb=%ld\n", ResidentKb());
        fflush(stdout);
        QTimer::singleShot(500, this, [this] { Start(); });
        return false;
    }

private:
    HWND Tuner() const
    {
        QVariant v = m_window->property("afxHwnd");
        return v.isValid() ? reinterpret_cast<HWND>(v.value<quintptr>()) : nullptr;
    }

    void Start()
    {
        if (HWND h = Tuner())
            if (!StartCapture(h))
                printf("no_capture=1\n");
        // A second for the capture to settle, then the measured span.
        QTimer::singleShot(1000, this,
                           [this]
                           {
                               m_cpu = MainThreadCpu();
                               m_since = NowNs();
                               auto* sample = new QTimer(this);
                               connect(sample, &QTimer::timeout, this,
                                       [this] { m_rssMax = std::max(m_rssMax, ResidentKb()); });
                               sample->start(250);
                               QTimer::singleShot(Seconds() * 1000, this, [this] { Finish(); });
                           });
    }

    void Finish()
    {
        const double elapsed = (NowNs() - m_since) / 1e9;
        m_rssMax = std::max(m_rssMax, ResidentKb());
        printf("ui_cpu_pct=%.3f\n", 100 * (MainThreadCpu() - m_cpu) / elapsed);
        printf("rss_capture_kb=%ld\n", m_rssMax);
        fflush(stdout);
        if (HWND h = Tuner())
        {
            // Where the capture left the slider: 0 when nothing was heard.
            if (HWND slider = Child(h, 1012))
                printf("slider=%d\n", afx::Win(slider)->pos.load());
            fflush(stdout);
            afx::UserPressedDialogKey(h, VK_ESCAPE);
        }
        else
            m_window->close();
    }

    static int Seconds()
    {
        const char* s = getenv("QUINTOR_BENCH_SECONDS");
        return s != nullptr ? std::atoi(s) : 20;
    }

    QWidget* m_window = nullptr;
    double m_cpu = 0;
    long long m_since = 0;
    long m_rssMax = 0;
};

void InstallProbe()
{
    if (getenv("QUINTOR_BENCH_CHILD") != nullptr)
        QCoreApplication::instance()->installEventFilter(new Probe);
}
Q_COREAPP_STARTUP_FUNCTION(InstallProbe)

// The tuner's controls, in plain Qt, where its dialog template puts them.
int MinimalDialog(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Quintor"));
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSize(8);
    dialog.setFont(font);
    dialog.setFixedSize(630, 350);
    auto place = [](QWidget* w, int x, int y, int width, int height)
    { w->setGeometry(x * 7 / 4, y * 13 / 8, width * 7 / 4, height * 13 / 8); };
    place(new QPushButton(QStringLiteral("&GO"), &dialog), 289, 7, 50, 14);
    place(new QPushButton(QStringLiteral("&Stop"), &dialog), 289, 22, 50, 14);
    for (int x : {7, 142})
    {
        auto* combo = new QComboBox(&dialog);
        combo->setEditable(true);
        combo->addItems({QStringLiteral("Standard"), QStringLiteral("Drop D")});
        place(combo, x, 23, 107, 14);
    }
    auto* slider = new QSlider(Qt::Horizontal, &dialog);
    slider->setRange(0, 1000);
    slider->setEnabled(false);
    place(slider, 7, 128, 346, 23);
    const QPixmap mark = dialog.style()->standardIcon(QStyle::SP_ArrowUp).pixmap(32);
    for (int i = 0; i < 6; ++i)
    {
        auto* label = new QLabel(&dialog);
        label->setAlignment(Qt::AlignCenter);
        place(label, 50 + 50 * i, 97, 25, 18);
        auto* icon = new QLabel(&dialog);
        icon->setPixmap(mark);
        place(icon, 52 + 50 * i, 110, 20, 20);
    }
    place(new QLabel(QStringLiteral("Carte Son"), &dialog), 7, 7, 117, 12);
    place(new QLabel(QStringLiteral("Nom de l'accord"), &dialog), 146, 7, 106, 13);
    dialog.show();
    return dialog.exec();
}

struct Run
{
    double firstPaintMs = -1;
    std::map<std::string, double> values;
};

Run StartOnce(const char* self, const char* mode, const std::vector<std::string>& env)
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
        // The sound libraries' chatter while the cards are listed.
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDERR_FILENO);
        for (const std::string& e : env)
            putenv(const_cast<char*>(e.c_str()));
        execl(self, self, mode, static_cast<char*>(nullptr));
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
    for (size_t at = 0; at < text.size();)
    {
        const size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            run.values[line.substr(0, eq)] = std::strtod(line.c_str() + eq + 1, nullptr);
        at = end + 1;
    }
    if (run.values.count("first_paint_ns"))
        run.firstPaintMs = (static_cast<long long>(run.values["first_paint_ns"]) - started) / 1e6;
    if (run.values.count("no_capture") || (run.values.count("slider") && run.values["slider"] == 0))
        fprintf(stderr, "%s: the capture did not start or heard nothing\n", mode);
    return run;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--tuner") == 0)
    {
        // The program as it starts: the framework's main routine and the application object.
        static CWinApp* volatile application = &theApp;
        (void)application;
        char* childArgv[] = {argv[0], nullptr};
        static const afx::WindowDriver* const windows[] = {&afx::qt::kWindowDriver, nullptr};
        afx::wavein::SetDrivers(afx::wavein::kAlsaDrivers);
        afx::ProgramIdentity program;
        program.desktopId = "fr.quintor.Quintor";
        return afx::RunApplication(windows, program, 1, childArgv);
    }
    if (argc > 1 && std::strcmp(argv[1], "--minimal") == 0)
        return MinimalDialog(1, argv);

    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    const std::string seconds = argc > 2 ? argv[2] : "20";
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length <= 0)
        return 1;
    self[length] = '\0';

    test_support::XSession x;
    if (!x.Started())
    {
        fprintf(stderr, "%s%s\n", x.Missing().c_str(), x.Problem().c_str());
        return 1;
    }
    test_support::PulseServer server;
    if (!server.Started())
    {
        fprintf(stderr, "%s%s\n", server.Missing().c_str(), server.Problem().c_str());
        return 1;
    }
    test_support::TempFolder dir;
    const std::string pluck = dir / "pluck.wav";
    // An A string plucked again every three and a half seconds, for as long as a run lasts.
    if (!test_support::MakePluck(pluck, 110, 3, 0.5, std::atoi(seconds.c_str()) / 3 + 1))
    {
        fprintf(stderr, "no pluck to play\n");
        return 1;
    }
    std::ofstream(dir / "Accords.ini")
        << "[NOM]\r\nAccord1=Standard\r\n[NOTES]\r\nNotes1=MI1LA1RE2SOL2SI2MI3\r\n";
    if (chdir(dir.Path().c_str()) != 0)
        return 1;
    std::vector<std::string> env = {"QUINTOR_BENCH_CHILD=1", "DISPLAY=" + x.Display(),
                                    "QUINTOR_BENCH_SECONDS=" + seconds,
                                    "XDG_RUNTIME_DIR=" + dir.Path()};
    for (const auto& [name, value] : server.ClientEnvironment())
        env.push_back(name + "=" + value);
    unsetenv("QT_QPA_PLATFORM");

    printf("runs: %d, %s s of capture each, X server %s, PulseAudio playing a plucked A\n", runs,
           seconds.c_str(), x.Display().c_str());
    printf("%-10s %16s %14s %17s %14s\n", "", "first paint ms", "rss idle MB", "rss capture MB",
           "ui cpu %");
    // Runs alternate between the two, so that a load that comes and goes weighs on both alike.
    const char* const modes[] = {"--minimal", "--tuner"};
    std::vector<double> paint[2], idle[2], capture[2], cpu[2];
    for (int i = 0; i < runs; ++i)
        for (int m = 0; m < 2; ++m)
        {
            server.Play(pluck);
            Run run = StartOnce(self, modes[m], env);
            if (run.firstPaintMs < 0)
            {
                fprintf(stderr, "%s run %d: the window was not painted\n", modes[m], i);
                return 1;
            }
            paint[m].push_back(run.firstPaintMs);
            idle[m].push_back(run.values["rss_idle_kb"] / 1024);
            capture[m].push_back(run.values["rss_capture_kb"] / 1024);
            cpu[m].push_back(run.values["ui_cpu_pct"]);
        }
    for (int m = 0; m < 2; ++m)
        printf("%-10s %16.1f %14.1f %17.1f %14.2f   (medians; paint min %.1f max %.1f)\n",
               modes[m] + 2, Median(paint[m]), Median(idle[m]), Median(capture[m]), Median(cpu[m]),
               *std::min_element(paint[m].begin(), paint[m].end()),
               *std::max_element(paint[m].begin(), paint[m].end()));
    return 0;
}
