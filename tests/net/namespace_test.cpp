// The Linux stand-in against a real kernel, inside a network namespace the test
// makes for itself (a veth pair), so no interface outside it is touched. The
// test program runs itself again inside the namespace, through `ip netns exec`,
// which also gives the child the namespace's own /sys and resolver file.
#include <net/if.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "net/adapter_control.h"
#include "net/adapters.h"

extern char** environ;

namespace xl::net {
namespace {

namespace fs = std::filesystem;

constexpr const char* kChildVariable = "XL_NET_NAMESPACE_CHILD";
constexpr const char* kEnd0 = "xlv0";
constexpr const char* kEnd1 = "xlv1";
constexpr const char* kAddress = "10.213.7.2";
constexpr const char* kPrefix = "/24";
constexpr const char* kGateway = "10.213.7.1";
constexpr const char* kResolver =
    "nameserver 10.213.7.53\nnameserver 10.213.7.54\nnameserver 10.213.7.55\n";

// Runs argv directly and returns its exit status (-1 when it could not run).
int RunProgram(const std::vector<std::string>& args, char** environment = environ) {
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environment) != 0) return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A namespace of its own, always deleted with its resolver file.
class TestNamespace {
  public:
    TestNamespace()
        : name_(
              "xl-net-" + std::to_string(getpid()) + "-" +
              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 100000)),
          etcDir_(fs::path("/etc/netns") / name_) {
        created_ = RunProgram({"ip", "netns", "add", name_}) == 0;
    }
    ~TestNamespace() {
        if (!created_) return;
        std::error_code ignored;
        fs::remove_all(etcDir_, ignored);
        fs::remove("/etc/netns", ignored);  // only when nothing else is there
        RunProgram({"ip", "netns", "del", name_});
    }
    TestNamespace(const TestNamespace&) = delete;
    TestNamespace& operator=(const TestNamespace&) = delete;

    bool created() const { return created_; }
    const std::string& name() const { return name_; }

    // `ip -n NAME ...`: always aimed inside the namespace.
    bool Ip(std::vector<std::string> args) const {
        args.insert(args.begin(), {"ip", "-n", name_});
        return RunProgram(args) == 0;
    }

    bool WriteResolver(const std::string& text) const {
        std::error_code error;
        fs::create_directories(etcDir_, error);
        std::ofstream file(etcDir_ / "resolv.conf");
        file << text;
        return !error && file.good();
    }

  private:
    std::string name_;
    fs::path etcDir_;
    bool created_ = false;
};

TEST(NamespaceAdapters, StandInListsAndTogglesAVethPair) {
    if (getenv(kChildVariable) != nullptr) GTEST_SKIP() << "this is the child run";
    if (geteuid() != 0) GTEST_SKIP() << "making a network namespace needs root";
    TestNamespace ns;
    if (!ns.created())
        GTEST_SKIP() << "network namespaces are not allowed here (ip netns add failed)";
    if (!ns.Ip({"link", "add", kEnd0, "type", "veth", "peer", "name", kEnd1})) {
        GTEST_SKIP() << "veth interfaces are not available here";
    }
    ASSERT_TRUE(ns.Ip({"addr", "add", std::string(kAddress) + kPrefix, "dev", kEnd0}));
    ASSERT_TRUE(ns.Ip({"link", "set", kEnd0, "up"}));
    ASSERT_TRUE(ns.Ip({"link", "set", kEnd1, "up"}));
    ASSERT_TRUE(ns.Ip({"route", "add", "default", "via", kGateway, "dev", kEnd0}));
    ASSERT_TRUE(ns.WriteResolver(kResolver));

    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::vector<std::string> environment;
    for (char** it = environ; *it != nullptr; ++it) environment.emplace_back(*it);
    environment.push_back(std::string(kChildVariable) + "=1");
    std::vector<char*> envp;
    for (auto& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    EXPECT_EQ(
        RunProgram({"ip", "netns", "exec", ns.name(), self, "--gtest_filter=NamespaceChild.*"},
                   envp.data()),
        0)
        << "the checks inside the namespace failed; see their output above";
}

class NamespaceChild : public ::testing::Test {
  protected:
    void SetUp() override {
        if (getenv(kChildVariable) == nullptr)
            GTEST_SKIP() << "runs only inside the test's namespace";
    }

    static bool IsUp(const std::string& name) {
        std::ifstream flags("/sys/class/net/" + name + "/flags");
        unsigned long value = 0;
        flags >> std::hex >> value;
        return (value & IFF_UP) != 0;
    }

    static std::string MacFromSys(const std::string& name) {
        std::ifstream file("/sys/class/net/" + name + "/address");
        std::string text;
        file >> text;
        for (auto& c : text) {
            c = c == ':' ? '-' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return text;
    }
};

TEST_F(NamespaceChild, ListsLoopbackAndBothEnds) {
    auto api = MakePlatformAdapterApi();
    std::vector<AdapterInfo> list;
    ASSERT_EQ(EnumerateAdapters(*api, list), 3);
    EXPECT_EQ(list[0].connectionName, "lo");
    EXPECT_EQ(list[0].typeName, "LOOPBACK");

    const AdapterInfo& end0 = list[1].connectionName == kEnd0 ? list[1] : list[2];
    const AdapterInfo& end1 = list[1].connectionName == kEnd0 ? list[2] : list[1];
    const AdapterInfo expected0{
        "{xlv0}",          "xlv0",   "xlv0",          6,        "ETHERNET",
        MacFromSys(kEnd0), kAddress, "255.255.255.0", kGateway, "10.213.7.53",
        "10.213.7.54",     false};
    EXPECT_EQ(end0, expected0);
    EXPECT_EQ(end1.connectionName, kEnd1);
    EXPECT_EQ(end1.macAddress, MacFromSys(kEnd1));
    EXPECT_EQ(end1.ipAddress, "");
    EXPECT_EQ(end1.gateway, "");
}

TEST_F(NamespaceChild, DisableAndEnableChangeTheAdministrativeState) {
    auto api = MakePlatformAdapterApi();
    auto runner = MakePlatformProcessRunner();
    AdapterControl control(*api, *runner);
    ASSERT_TRUE(IsUp(kEnd1));

    control.SetAdminState(kEnd1, false);
    EXPECT_FALSE(IsUp(kEnd1));
    EXPECT_TRUE(IsUp(kEnd0));

    control.SetAdminState(std::string(kEnd1) + "\" up", true);  // refused: runs nothing
    EXPECT_FALSE(IsUp(kEnd1));

    control.SetAdminState(kEnd1, true);
    EXPECT_TRUE(IsUp(kEnd1));
}

}  // namespace
}  // namespace xl::net
