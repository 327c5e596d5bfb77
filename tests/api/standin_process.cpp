#include "api/standin_process.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace xl::api::test {
namespace {

constexpr auto kStartLimit = std::chrono::seconds(15);
constexpr auto kPollInterval = std::chrono::milliseconds(50);
// Ends the service by itself if a crashed test never asks it to.
constexpr char kIdleExit[] = "--exit-after-idle=120";

std::string ProgramPath() {
    if (const char* path = std::getenv("XIULAN_STANDIN"); path != nullptr && *path != '\0')
        return path;
    return XIULAN_STANDIN_PATH;
}

// The service is a Linux program and takes Linux paths; a Windows test under Wine reaches the
// same files through drive Z:, Wine's view of the Linux root.
std::string LocalPath(const std::string& linuxPath) {
#ifdef _WIN32
    return linuxPath.rfind('/', 0) == 0 ? "Z:" + linuxPath : linuxPath;
#else
    return linuxPath;
#endif
}

bool Exists(const std::string& path) {
    return std::ifstream(LocalPath(path)).good();
}

std::string PortFilePath() {
    static int sequence = 0;
#ifdef _WIN32
    const unsigned long id = GetCurrentProcessId();
#else
    const unsigned long id = static_cast<unsigned long>(getpid());
#endif
    return "/tmp/xiulan-standin-" + std::to_string(id) + "-" + std::to_string(++sequence) + ".port";
}

bool Launch(const std::string& program, const std::string& portFile, long& pid) {
    const std::string portArg = "--port-file=" + portFile;
#ifdef _WIN32
    std::string command = program + " --port=0 " + portArg + " " + kIdleExit;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    // Wine starts a Linux program itself; the handles it gives back cannot be waited on.
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    pid = 0;
    return true;
#else
    std::string portOption = "--port=0", idle = kIdleExit;
    char* argv[] = {const_cast<char*>(program.c_str()), portOption.data(),
                    const_cast<char*>(portArg.c_str()), idle.data(), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
    pid = child;
    return true;
#endif
}

}  // namespace

StandinProcess::StandinProcess() : http_(CreatePlatformHttpFacility) {
    const std::string program = ProgramPath();
    if (!Exists(program)) {
        problem_ = "stand-in service not found at " + program + " (set XIULAN_STANDIN)";
        return;
    }
    const std::string portFile = PortFilePath();
    if (!Launch(program, portFile, pid_)) {
        problem_ = "cannot start " + program;
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        int port = 0;
        if (std::ifstream(LocalPath(portFile)) >> port; port > 0) {
            port_ = port;
            std::remove(LocalPath(portFile).c_str());
            return;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    problem_ = "stand-in service did not report its port";
}

StandinProcess::~StandinProcess() {
    if (Running()) Get("/_control/quit");
#ifndef _WIN32
    if (pid_ > 0) {
        const pid_t child = static_cast<pid_t>(pid_);
        for (int i = 0; i < 40 && waitpid(child, nullptr, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(kPollInterval);
        if (kill(child, 0) == 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
    }
#endif
}

std::string StandinProcess::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::string StandinProcess::Get(const std::string& path, int* status) const {
    return http_.Fetch({.url = BaseUrl() + path, .statusCode = status});
}

void StandinProcess::Fault(const std::string& path, const std::string& query) const {
    Get("/_control/fault?path=" + path + "&" + query);
}

void StandinProcess::Reset() const {
    Get("/_control/reset");
}

}  // namespace xl::api::test
