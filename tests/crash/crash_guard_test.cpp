// The guard under real Windows calls: threads of this process begin in its
// wrapper and keep their exit codes, threads of other processes pass
// unchanged, and an unhandled fault still ends the process the system's way.
// Children are this program re-run with a flag.
#include "crash/crash_guard.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

#include "support/platform.h"

namespace xl::crash {
namespace {

constexpr char kIdleFlag[] = "--idle-child";
constexpr char kFaultFlag[] = "--fault-child";
constexpr char kFallbackFlag[] = "--fallback-child";
constexpr DWORD kIdleMilliseconds = 60'000;
constexpr DWORD kChildTimeout = 60'000;
constexpr DWORD kNotWrapped = 3;  // the fault child's code when its worker was not guarded

CrashGuard& Guard() {
    static CrashGuard guard;  // lives as long as the process, as in the program
    return guard;
}

struct Child {
    PROCESS_INFORMATION info{};
    ~Child() {
        if (info.hProcess == nullptr) return;
        TerminateProcess(info.hProcess, 0);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
};

bool StartSelf(const char* flag, Child& child) {
    char path[MAX_PATH];
    if (GetModuleFileNameA(nullptr, path, MAX_PATH) == 0) return false;
    std::string command = std::string("\"") + path + "\" " + flag;
    // The system's crash report of a faulting child would only clutter the log.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul =
        CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    const bool started = CreateProcessA(path, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &child.info) != 0;
    CloseHandle(nul);
    return started;
}

struct Observed {
    bool wrapped = false;
    DWORD code = 0;
};

DWORD WINAPI ReportAndReturn(LPVOID parameter) {
    auto* seen = static_cast<Observed*>(parameter);
    seen->wrapped = CrashGuard::CurrentThreadWrapped();
    return seen->code;
}

DWORD WINAPI ReportAndExitThread(LPVOID parameter) {
    auto* seen = static_cast<Observed*>(parameter);
    seen->wrapped = CrashGuard::CurrentThreadWrapped();
    ExitThread(seen->code);
}

DWORD Join(HANDLE thread) {
    EXPECT_EQ(WaitForSingleObject(thread, kChildTimeout), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    CloseHandle(thread);
    return code;
}

TEST(CrashGuard, InstalledWithReportingOff) {
    EXPECT_NE(Guard().interception(), Interception::None);
    EXPECT_FALSE(Guard().reportingEnabled());
    Guard().InstallCrashGuard();  // a second installation changes nothing
    Observed seen{false, 5};
    HANDLE thread = CreateThread(nullptr, 0, ReportAndReturn, &seen, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(Join(thread), 5u);
    EXPECT_TRUE(seen.wrapped);
}

TEST(CrashGuard, ThreadsOfThisProcessRunThroughTheWrapperAndKeepTheirExitCode) {
    const long before = CrashGuard::WrappedThreadCount();
    struct Way {
        const char* what;
        HANDLE (*start)(Observed&);
    };
    const Way ways[] = {
        {"CreateThread",
         [](Observed& s) { return CreateThread(nullptr, 0, ReportAndReturn, &s, 0, nullptr); }},
        {"CreateRemoteThread on itself",
         [](Observed& s) {
             return CreateRemoteThread(GetCurrentProcess(), nullptr, 0, ReportAndReturn, &s, 0,
                                       nullptr);
         }},
        {"CreateRemoteThreadEx on itself",
         [](Observed& s) {
             return CreateRemoteThreadEx(GetCurrentProcess(), nullptr, 0, ReportAndReturn, &s, 0,
                                         nullptr, nullptr);
         }},
        {"suspended, then resumed",
         [](Observed& s) {
             HANDLE t = CreateThread(nullptr, 0, ReportAndReturn, &s, CREATE_SUSPENDED, nullptr);
             if (t != nullptr) ResumeThread(t);
             return t;
         }},
        {"routine ending with ExitThread",
         [](Observed& s) { return CreateThread(nullptr, 0, ReportAndExitThread, &s, 0, nullptr); }},
    };
    DWORD code = 0x1000;
    for (const auto& way : ways) {
        SCOPED_TRACE(way.what);
        Observed seen{false, ++code};
        HANDLE thread = way.start(seen);
        ASSERT_NE(thread, nullptr);
        EXPECT_EQ(Join(thread), code);
        EXPECT_TRUE(seen.wrapped);
    }
    // The runtime may start a thread of its own meanwhile, so at least these.
    EXPECT_GE(CrashGuard::WrappedThreadCount() - before, static_cast<long>(std::size(ways)));
    EXPECT_FALSE(CrashGuard::CurrentThreadWrapped());  // the main thread was not started by us
}

TEST(CrashGuard, FailedCreationReportsTheSystemsError) {
    const long before = CrashGuard::WrappedThreadCount();
    Observed seen{false, 9};
    SetLastError(0);
    // A stack reservation no address space can hold.
    HANDLE thread = CreateThread(nullptr, SIZE_T{1} << 62, ReportAndReturn, &seen,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread != nullptr) {
        Join(thread);
        GTEST_SKIP() << "the system reserved the stack after all";
    }
    EXPECT_NE(GetLastError(), 0u) << "the block's release must not clear the error";
    EXPECT_FALSE(seen.wrapped);
    EXPECT_EQ(CrashGuard::WrappedThreadCount(), before);
}

TEST(CrashGuard, StandardThreadsAreGuardedAndExceptionsStillReachTheirHandlers) {
    bool wrapped = false;
    std::string caught;
    std::thread worker([&] {
        wrapped = CrashGuard::CurrentThreadWrapped();
        try {
            throw std::runtime_error("declined by the guard");
        } catch (const std::exception& e) {
            caught = e.what();
        }
    });
    worker.join();
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(caught, "declined by the guard");
}

TEST(CrashGuard, ThreadInAnotherProcessPassesUnchanged) {
    Child child;
    ASSERT_TRUE(StartSelf(kIdleFlag, child));
    // ExitThread lies at the same address in every process; run through the
    // wrapper it would find no block there and end differently.
    auto* exitThread = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "ExitThread")));
    ASSERT_NE(exitThread, nullptr);
    const long before = CrashGuard::WrappedThreadCount();
    HANDLE thread = CreateRemoteThread(child.info.hProcess, nullptr, 0, exitThread,
                                       reinterpret_cast<LPVOID>(42), 0, nullptr);
    ASSERT_NE(thread, nullptr) << GetLastError();
    EXPECT_EQ(Join(thread), 42u);
    EXPECT_EQ(CrashGuard::WrappedThreadCount(), before);
}

TEST(CrashGuard, AccessViolationOnAWorkerEndsTheProcessTheSystemsWay) {
    Child child;
    const DWORD started = GetTickCount();
    ASSERT_TRUE(StartSelf(kFaultFlag, child));
    ASSERT_EQ(WaitForSingleObject(child.info.hProcess, kChildTimeout), WAIT_OBJECT_0)
        << "a handler that resumes the faulting instruction would never let it end";
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(child.info.hProcess, &code));
    EXPECT_NE(code, kNotWrapped) << "the worker did not start in the wrapper";
    EXPECT_NE(code, 0u);
    if (!test::RunningUnderWine()) {
        EXPECT_EQ(code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    }
    std::printf("fault child ended after %lu ms with code 0x%lx\n",
                static_cast<unsigned long>(GetTickCount() - started),
                static_cast<unsigned long>(code));
}

TEST(CrashGuard, Kernel32FunctionServesWhenKernelbaseCannotBeDiverted) {
    Child child;
    ASSERT_TRUE(StartSelf(kFallbackFlag, child));
    ASSERT_EQ(WaitForSingleObject(child.info.hProcess, kChildTimeout), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(child.info.hProcess, &code));
    EXPECT_EQ(code, 0u) << "1: not diverted, 2: not started, 3: not wrapped, 4: exit code lost";
}

// Diverts kernel32's CreateRemoteThread only; threads created through it
// begin in the wrapper.
int RunFallbackChild() {
    CrashGuard guard;
    guard.InstallCrashGuard(Interception::CreateRemoteThread);
    if (guard.interception() != Interception::CreateRemoteThread) return 1;
    Observed seen{false, 0x2345};
    HANDLE thread =
        CreateRemoteThread(GetCurrentProcess(), nullptr, 0, ReportAndReturn, &seen, 0, nullptr);
    if (thread == nullptr) return 2;
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    if (!seen.wrapped) return 3;
    return code == seen.code ? 0 : 4;
}

DWORD WINAPI Fault(LPVOID) {
    if (!CrashGuard::CurrentThreadWrapped()) ExitProcess(kNotWrapped);
    *static_cast<volatile int*>(nullptr) = 1;
    return 0;
}

int RunFaultChild() {
    HANDLE worker = CreateThread(nullptr, 0, Fault, nullptr, 0, nullptr);
    if (worker == nullptr) return 2;
    WaitForSingleObject(worker, INFINITE);
    return 0;
}

}  // namespace
}  // namespace xl::crash

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], xl::crash::kFallbackFlag) == 0) {
        return xl::crash::RunFallbackChild();
    }
    // As at program start-up: the guard comes before any thread of ours.
    xl::crash::Guard().InstallCrashGuard();
    if (argc > 1 && std::strcmp(argv[1], xl::crash::kIdleFlag) == 0) {
        Sleep(xl::crash::kIdleMilliseconds);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], xl::crash::kFaultFlag) == 0) {
        return xl::crash::RunFaultChild();
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
