// How long a program's windows take to answer, measured from outside: every
// 20 ms each top-level window of the process gets WM_NULL through
// SendMessageTimeoutW, and the longest answer is kept per phase. The phases
// are named on standard input, one line each ("phase NAME"); "end" prints one
// line per phase, "NAME longest_ms pings", and quits. A ping counts towards the
// phase in which it was sent.
//   window_ping PROGRAM.exe        (tools/bench-responsive drives it)
#include <windows.h>
// After windows.h, whose types it uses.
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPingInterval = std::chrono::milliseconds(20);
// Longer than any stall the benchmark makes, so a stall is measured whole.
constexpr UINT kPingTimeoutMs = 60000;

DWORD ProcessId(const std::wstring& exeName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && found == 0;
         more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, exeName.c_str()) == 0) found = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return found;
}

std::vector<HWND> WindowsOf(DWORD pid) {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{pid, {}};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == s->pid) s->found.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct Figures {
    long long longestMs = 0;
    long long pings = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_ping PROGRAM.exe\n");
        return 2;
    }
    const std::string narrow = argv[1];
    const std::wstring exeName(narrow.begin(), narrow.end());

    std::mutex mutex;
    std::string phase = "(none)";
    std::vector<std::string> order;
    std::map<std::string, Figures> figures;
    std::atomic<bool> ending{false};

    std::thread reader([&] {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line == "end") break;
            if (line.rfind("phase ", 0) == 0) {
                std::lock_guard lock(mutex);
                phase = line.substr(6);
                if (!figures.count(phase)) order.push_back(phase);
                figures[phase];
            }
        }
        ending = true;
    });

    DWORD pid = 0;
    while (!ending) {
        const auto tickStart = Clock::now();
        if (pid == 0) pid = ProcessId(exeName);
        if (pid != 0) {
            for (HWND w : WindowsOf(pid)) {
                std::string sentIn;
                {
                    std::lock_guard lock(mutex);
                    sentIn = phase;
                }
                const auto sent = Clock::now();
                DWORD_PTR ignored = 0;
                const bool answered = SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL,
                                                          kPingTimeoutMs, &ignored) != 0;
                const long long ms =
                    std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent)
                        .count();
                // A window that went meanwhile answers nothing: not a wait of the program.
                if (!answered && !IsWindow(w)) continue;
                std::lock_guard lock(mutex);
                Figures& f = figures[sentIn];
                f.longestMs = std::max(f.longestMs, ms);
                ++f.pings;
            }
            // The process ended (the quit): look for it again.
            if (WindowsOf(pid).empty() && ProcessId(exeName) != pid) pid = 0;
        }
        std::this_thread::sleep_until(tickStart + kPingInterval);
    }
    reader.join();
    for (const std::string& name : order) {
        const Figures& f = figures[name];
        std::printf("%s %lld %lld\n", name.c_str(), f.longestMs, f.pings);
    }
    std::fflush(stdout);
    return 0;
}
