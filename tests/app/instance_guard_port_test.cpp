// The real marker of each platform: a first copy finds nothing, a second one
// sees the first, and the marker goes away with the process that made it.
// Other copies are children: forked here, this program re-run on Windows.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "app/instance_guard.h"
#include "support/platform.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which sets the system version sddl.h declares for.
#include <sddl.h>

#include "win32/text.h"
#else
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace xl::app {
namespace {

constexpr char kChildFlag[] = "--instance-child";
constexpr int kContinued = 7;  // a guarded child that was let through
constexpr auto kChildTimeout = std::chrono::seconds(30);

enum class Role { HoldMarker, RunGuard };

// Unique per test run, so a running copy of the program or a parallel test
// cannot interfere; still starts with the program's own name.
std::string MarkerName(const std::string& token) {
    return std::string(InstanceEventName) + "-" + token;
}

std::string NewToken() {
    static int next = 0;
#ifdef _WIN32
    const unsigned long pid = GetCurrentProcessId();
#else
    const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    return std::to_string(pid) + "-" + std::to_string(++next);
}

// The real port, except that the message box would wait for a person.
class NoBoxPort final : public InstancePort {
  public:
    MarkerLookup OpenMarker(const std::string& name) override { return real_->OpenMarker(name); }
    bool CreateMarker(const std::string& name) override { return real_->CreateMarker(name); }
    void ShowStopMessage(const std::string&, const std::string&) override {}
    void EndProcess(int code) override { real_->EndProcess(code); }

  private:
    std::unique_ptr<InstancePort> real_ = MakeInstancePort();
};

[[noreturn]] void RunChild(Role role, const std::string& token) {
    if (role == Role::HoldMarker) {
        auto port = MakeInstancePort();
        // A guarded copy that was let through may hold the lock a moment.
        while (!port->CreateMarker(MarkerName(token))) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(kChildTimeout);
        std::_Exit(0);
    }
    NoBoxPort port;
    GuardSingleInstance(port, MarkerName(token));
    std::_Exit(kContinued);
}

class Child {
  public:
    Child(Role role, const std::string& token) {
#ifdef _WIN32
        char path[MAX_PATH];
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string command = std::string("\"") + path + "\" " + kChildFlag + " " +
                              (role == Role::HoldMarker ? "hold" : "guard") + " " + token;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessA(path, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &info_) != 0;
#else
        pid_ = fork();
        if (pid_ == 0) RunChild(role, token);
        started_ = pid_ > 0;
#endif
    }
    ~Child() {
        Kill();
    }

    bool started() const {
        return started_;
    }

    // The exit code, or nullopt when it did not end in time.
    std::optional<int> Wait() {
#ifdef _WIN32
        if (!started_) return std::nullopt;
        const auto ms = static_cast<DWORD>(
            std::chrono::duration_cast<std::chrono::milliseconds>(kChildTimeout).count());
        if (WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0) return std::nullopt;
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        Close();
        return static_cast<int>(code);
#else
        const auto deadline = std::chrono::steady_clock::now() + kChildTimeout;
        while (started_ && std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                started_ = false;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return std::nullopt;
#endif
    }

    void Kill() {
        if (!started_) return;
#ifdef _WIN32
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, INFINITE);
        Close();
#else
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        started_ = false;
#endif
    }

  private:
#ifdef _WIN32
    void Close() {
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
        started_ = false;
    }
    PROCESS_INFORMATION info_{};
#else
    pid_t pid_ = -1;
#endif
    bool started_ = false;
};

// Runs guarded copies until one is refused (another process's marker has
// shown up); returns that copy's exit code, or nullopt if none was refused.
std::optional<int> FirstRefusedCopy(const std::string& token) {
    const auto deadline = std::chrono::steady_clock::now() + kChildTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        Child copy(Role::RunGuard, token);
        const auto code = copy.Wait();
        if (code != kContinued) return code;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
}

TEST(InstancePort, FirstCopyFindsNothingAndASecondCopySeesIt) {
    const std::string name = MarkerName(NewToken());
    auto first = MakeInstancePort();
    auto second = MakeInstancePort();
    EXPECT_EQ(first->OpenMarker(name), MarkerLookup::Absent);
    EXPECT_TRUE(first->CreateMarker(name));
    EXPECT_EQ(second->OpenMarker(name), MarkerLookup::Found);
    EXPECT_EQ(second->OpenMarker(name), MarkerLookup::Found);  // looking does not take it over
    // Markers of other names are apart.
    EXPECT_EQ(second->OpenMarker(MarkerName(NewToken())), MarkerLookup::Absent);
}

#ifdef _WIN32
// Runs `look` as a copy started without elevation would: the process's own
// token with the administrators' group for denying only, as in the filtered
// token Windows gives an administrator's normal programs.
template <typename Look>
auto AsNormalCopy(Look look) {
    HANDLE process = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process);
    PSID admins = nullptr;
    ConvertStringSidToSidW(L"BA", &admins);
    SID_AND_ATTRIBUTES denyOnly{admins, 0};
    HANDLE restricted = nullptr;
    CreateRestrictedToken(process, 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &restricted);
    HANDLE impersonation = nullptr;
    DuplicateToken(restricted, SecurityImpersonation, &impersonation);
    EXPECT_TRUE(SetThreadToken(nullptr, impersonation));
    auto result = look();
    RevertToSelf();
    for (HANDLE h : {impersonation, restricted, process}) CloseHandle(h);
    LocalFree(admins);
    return result;
}

TEST(InstancePort, CopiesAtBothLevelsSeeEachOther) {
    const std::string ours = MarkerName(NewToken());
    auto elevated = MakeInstancePort();
    ASSERT_TRUE(elevated->CreateMarker(ours));
    EXPECT_EQ(AsNormalCopy([&] { return MakeInstancePort()->OpenMarker(ours); }),
              MarkerLookup::Found);
    if (test::RunningUnderWine()) {
        GTEST_SKIP() << "Wine does not check an event's permissions: a marker that may not be "
                        "opened cannot be made here";
    }
    // A marker with an elevated token's default permissions, as a copy
    // without this port's descriptor (an older version) leaves.
    const std::string older = MarkerName(NewToken());
    PSECURITY_DESCRIPTOR adminsOnly = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:(A;;GA;;;SY)(A;;GA;;;BA)", SDDL_REVISION_1, &adminsOnly, nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, adminsOnly, FALSE};
    const HANDLE event = CreateEventW(&attributes, FALSE, FALSE, win32::Widen(older).c_str());
    LocalFree(adminsOnly);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(AsNormalCopy([&] { return MakeInstancePort()->OpenMarker(older); }),
              MarkerLookup::Denied);
    CloseHandle(event);
}
#endif

// Only children look at the marker here: a copy that finds it keeps its
// handle open until it ends, which would keep the marker alive.
TEST(GuardSingleInstanceProcess, SecondCopyEndsWithCodeZeroAndALaterOneContinues) {
    const std::string token = NewToken();
    Child first(Role::HoldMarker, token);
    ASSERT_TRUE(first.started());
    EXPECT_EQ(FirstRefusedCopy(token), 0);
    first.Kill();
    // A copy started after the first has ended continues normally.
    Child later(Role::RunGuard, token);
    ASSERT_TRUE(later.started());
    EXPECT_EQ(later.Wait(), kContinued);
    EXPECT_EQ(MakeInstancePort()->OpenMarker(MarkerName(token)), MarkerLookup::Absent);
}

#ifndef _WIN32
// Sets XDG_RUNTIME_DIR for one scope.
class RuntimeDirectory {
  public:
    explicit RuntimeDirectory(const std::string& path) {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved_ = old;
        setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
    }
    ~RuntimeDirectory() {
        if (saved_) {
            setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
    }

  private:
    std::optional<std::string> saved_;
};

TEST(PosixInstancePort, LockIsPrivateToTheSessionAndNeverFollowsALink) {
    namespace fs = std::filesystem;
    char session[] = "/tmp/xl-guard-session-XXXXXX";
    char hostile[] = "/tmp/xl-guard-hostile-XXXXXX";
    ASSERT_NE(mkdtemp(session), nullptr);
    ASSERT_NE(mkdtemp(hostile), nullptr);
    const std::string name = MarkerName(NewToken());
    fs::path lockFile;
    {
        RuntimeDirectory scope(session);
        ASSERT_TRUE(MakeInstancePort()->CreateMarker(name));
        for (const auto& entry : fs::directory_iterator(session)) lockFile = entry.path();
        ASSERT_FALSE(lockFile.empty());
        EXPECT_EQ(
            fs::status(lockFile).permissions() & (fs::perms::group_all | fs::perms::others_all),
            fs::perms::none);
    }
    {
        // A link planted where the lock file would go, aimed at a file of
        // the user's: refused, and nothing is made through it.
        RuntimeDirectory scope(hostile);
        const fs::path victim = fs::path(hostile) / "victim";
        fs::create_symlink(victim, fs::path(hostile) / lockFile.filename());
        auto port = MakeInstancePort();
        EXPECT_EQ(port->OpenMarker(name), MarkerLookup::Unavailable);
        EXPECT_FALSE(port->CreateMarker(name));
        EXPECT_FALSE(fs::exists(victim));
    }
    fs::remove_all(session);
    fs::remove_all(hostile);
}

TEST(PosixInstancePort, ALockFileThisUserMayNotOpenCountsAsARunningCopy) {
    if (geteuid() == 0) GTEST_SKIP() << "root opens any lock file: none can be denied to it";
    namespace fs = std::filesystem;
    char session[] = "/tmp/xl-guard-denied-XXXXXX";
    ASSERT_NE(mkdtemp(session), nullptr);
    {
        RuntimeDirectory scope(session);
        const std::string name = MarkerName(NewToken());
        ASSERT_TRUE(MakeInstancePort()->CreateMarker(name));
        // As left by a copy run as root with this session's runtime directory.
        for (const auto& entry : fs::directory_iterator(session)) chmod(entry.path().c_str(), 0);
        EXPECT_EQ(MakeInstancePort()->OpenMarker(name), MarkerLookup::Denied);
    }
    fs::remove_all(session);
}
#endif

}  // namespace
}  // namespace xl::app

int main(int argc, char** argv) {
#ifdef _WIN32
    if (argc == 4 && std::strcmp(argv[1], xl::app::kChildFlag) == 0) {
        const bool hold = std::strcmp(argv[2], "hold") == 0;
        xl::app::RunChild(hold ? xl::app::Role::HoldMarker : xl::app::Role::RunGuard, argv[3]);
    }
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
