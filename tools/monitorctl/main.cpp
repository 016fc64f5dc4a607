// monitorctl: looks at and operates the monitor window from another process,
// as a user at the screen would: which view it shows, what it says, and a
// press of its buttons. For demos and manual checks.
#include <windows.h>
#include <shellapi.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/monitorctl/MonitorWindow.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr DWORD kPollMs = 100;

const char kUsage[] =
    "usage: monitorctl [--desktop NAME] show\n"
    "       monitorctl [--desktop NAME] wait VIEW [--has TEXT] [--enabled BUTTON] [--for S]\n"
    "                                          [--seconds N]\n"
    "       monitorctl [--desktop NAME] click BUTTON [--seconds N]\n"
    "       monitorctl [--desktop NAME] rect\n"
    "\n"
    "VIEW is popup, detail, progress, shown (any of these), hidden or gone;\n"
    "BUTTON is cancel, pause or close. --has waits for TEXT in any text the window\n"
    "shows; the window must show it all unchanged for S seconds (default 0.3); waits\n"
    "end after N seconds (default 10). NAME is a Wine desktop\n"
    "(explorer /desktop=NAME). Exit status: 0 done, 1 not so in time, 2 bad arguments.\n";

struct Field {
    const char* name;
    int id;
};
// The text controls of the window, in the order a user reads them.
const Field kFields[] = {{"document", 307},  {"message", 212}, {"document", 300}, {"sheets", 301},
                         {"time left", 302}, {"details", 306}, {"pause", 309},    {"cancel", 308},
                         {"cancel", 310},    {"close", IDOK}};

struct Options {
    std::string desktop;
    std::vector<std::string> positional;
    std::string has;
    std::string enabled;
    double seconds = 10;
    double steady = 0.3;
};

int Usage(const std::string& problem) {
    if (!problem.empty())
        std::fprintf(stderr, "monitorctl: %s\n", problem.c_str());
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

// Line ends inside a text become " / " so that each field stays on one line.
std::string OneLine(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r')
            continue;
        out += text[i] == '\n' ? std::string(" / ") : std::string(1, text[i]);
    }
    return out;
}

std::string Describe(const MonitorWindow& window) {
    std::string text = "view: " + window.View() + "\ncaption: " + window.Caption() + "\n";
    for (const Field& field : kFields) {
        if (!window.IsShown(field.id))
            continue;
        std::string value = OneLine(window.Text(field.id));
        const bool button =
            field.id == 309 || field.id == 308 || field.id == 310 || field.id == IDOK;
        if (button)
            value = "[" + value + "]" + (window.IsEnabled(field.id) ? "" : " (disabled)");
        text += std::string(field.name) + ": " + value + "\n";
    }
    return text;
}

int ButtonId(const std::string& name, const MonitorWindow& window) {
    if (name == "cancel")
        return window.IsShown(310) ? 310 : 308;
    if (name == "pause")
        return 309;
    if (name == "close")
        return IDOK;
    return 0;
}

bool KnownButton(const std::string& name) {
    return name == "cancel" || name == "pause" || name == "close";
}

bool ViewMatches(const std::string& wanted, const std::string& view) {
    if (wanted == "shown")
        return view == "popup" || view == "detail" || view == "progress";
    return wanted == view;
}

bool KnownView(const std::string& name) {
    return name == "popup" || name == "detail" || name == "progress" || name == "shown" ||
           name == "hidden" || name == "gone";
}

// Polls until done() holds or the time is up.
template <typename Check> bool Within(double seconds, Check done) {
    const DWORD start = ::GetTickCount();
    const DWORD limit = static_cast<DWORD>(seconds * 1000);
    for (;;) {
        if (done())
            return true;
        if (::GetTickCount() - start >= limit)
            return false;
        ::Sleep(kPollMs);
    }
}

// The window must show the wanted state unchanged for o.steady seconds: it
// hides and shows its controls one by one when it switches views, and between
// two jobs it may look like the next view for a moment.
int Wait(const Options& o) {
    const std::string& wanted = o.positional[1];
    std::string last;
    std::string held;
    DWORD heldSince = 0;
    bool met = Within(o.seconds, [&] {
        bool now = false;
        if (HWND hwnd = MonitorWindow::Find()) {
            MonitorWindow window(hwnd);
            last = Describe(window);
            now = ViewMatches(wanted, window.View()) &&
                  (o.enabled.empty() || window.IsEnabled(ButtonId(o.enabled, window))) &&
                  (o.has.empty() || last.find(o.has) != std::string::npos);
        } else {
            last = "no monitor window\n";
            now = wanted == "gone";
        }
        if (!now || last != held) {
            held = now ? last : std::string();
            heldSince = ::GetTickCount();
            return now && o.steady <= 0;
        }
        return ::GetTickCount() - heldSince >= static_cast<DWORD>(o.steady * 1000);
    });
    if (met) {
        std::fputs(last.c_str(), stdout);
        return kExitOk;
    }
    std::fprintf(stderr, "monitorctl: no %s window within %g s; last seen:\n%s", wanted.c_str(),
                 o.seconds, last.c_str());
    return kExitFailed;
}

// Presses the button once it is shown and enabled, then waits until the window
// took the press: every button disables itself (or the window ends) when it does.
int Click(const Options& o) {
    const std::string& name = o.positional[1];
    HWND pressedIn = nullptr;
    int pressedId = 0;
    bool pressed = Within(o.seconds, [&] {
        HWND hwnd = MonitorWindow::Find();
        if (!hwnd)
            return false;
        MonitorWindow window(hwnd);
        pressedId = ButtonId(name, window);
        pressedIn = hwnd;
        return window.IsShown(pressedId) && window.Press(pressedId);
    });
    if (!pressed) {
        std::fprintf(stderr, "monitorctl: no %s button to press within %g s\n", name.c_str(),
                     o.seconds);
        return kExitFailed;
    }
    const MonitorWindow window(pressedIn);
    const bool taken = Within(o.seconds, [&] {
        return window.View() == "gone" || !window.IsEnabled(pressedId) ||
               !window.IsShown(pressedId);
    });
    if (!taken) {
        std::fprintf(stderr, "monitorctl: the window did not take the press of %s\n", name.c_str());
        return kExitFailed;
    }
    std::printf("pressed %s\n", name.c_str());
    return kExitOk;
}

// The arguments in UTF-8, like the texts they are compared with: the ANSI ones
// lose every character outside the code page.
std::vector<std::string> Arguments() {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 0; wide && i < count; ++i)
        args.push_back(MonitorWindow::Utf8(wide[i]));
    ::LocalFree(wide);
    return args;
}

std::string Parse(const std::vector<std::string>& argv, Options* o) {
    const int argc = static_cast<int>(argv.size());
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool takesValue = a == "--desktop" || a == "--has" || a == "--enabled" ||
                                a == "--seconds" || a == "--for";
        if (!takesValue) {
            if (a.rfind("--", 0) == 0)
                return "unknown option " + a;
            o->positional.push_back(a);
            continue;
        }
        if (i + 1 >= argc)
            return a + " needs a value";
        const std::string value = argv[++i];
        if (a == "--desktop") {
            o->desktop = value;
        } else if (a == "--has") {
            o->has = value;
        } else if (a == "--enabled") {
            if (!KnownButton(value))
                return "no button \"" + value + "\"";
            o->enabled = value;
        } else {
            double* target = a == "--for" ? &o->steady : &o->seconds;
            char* end = nullptr;
            errno = 0;
            *target = std::strtod(value.c_str(), &end);
            if (errno || *end || value.empty() || !(*target >= 0) || *target > 3600)
                return a + " wants a number of seconds up to 3600";
        }
    }
    if (o->positional.empty())
        return "no command";
    const std::string& command = o->positional[0];
    const size_t wanted = command == "wait" || command == "click" ? 2 : 1;
    if (command != "show" && command != "wait" && command != "click" && command != "rect")
        return "unknown command " + command;
    if (o->positional.size() != wanted)
        return command + (wanted == 2 ? " takes one argument" : " takes no argument");
    if (command == "wait" && !KnownView(o->positional[1]))
        return "no view \"" + o->positional[1] + "\"";
    if (command == "click" && !KnownButton(o->positional[1]))
        return "no button \"" + o->positional[1] + "\"";
    return {};
}

} // namespace

int main() {
    Options o;
    const std::string problem = Parse(Arguments(), &o);
    if (!problem.empty())
        return Usage(problem);
    const std::string& command = o.positional[0];
    if (!o.desktop.empty()) {
        // The desktop exists while a program of it runs; a wait may start before that.
        const bool waits = command == "click" || (command == "wait" && o.positional[1] != "gone");
        if (!Within(waits ? o.seconds : 0, [&] { return MonitorWindow::UseDesktop(o.desktop); })) {
            if (command == "wait" && o.positional[1] == "gone") {
                std::puts("no monitor window");
                return kExitOk;
            }
            std::fprintf(stderr, "monitorctl: no desktop \"%s\"\n", o.desktop.c_str());
            return kExitFailed;
        }
    }
    if (command == "wait")
        return Wait(o);
    if (command == "click")
        return Click(o);
    HWND hwnd = MonitorWindow::Find();
    if (!hwnd) {
        std::fputs("monitorctl: no monitor window\n", stderr);
        return kExitFailed;
    }
    MonitorWindow window(hwnd);
    if (command == "rect") {
        const RECT r = window.Rect();
        std::printf("rect %ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        return kExitOk;
    }
    std::fputs(Describe(window).c_str(), stdout);
    return kExitOk;
}
