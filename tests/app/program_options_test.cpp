// The executable's own settings, and the reachability check against a page
// served on loopback.
#include <gtest/gtest.h>

#include <map>

#include "app/program_options.h"
#include "app/reachability.h"
#include "support/tiny_http_server.h"

namespace xl::app {
namespace {

std::map<std::string, std::string> gEnvironment;
const char* FakeEnvironment(const char* name) {
    auto it = gEnvironment.find(name);
    return it == gEnvironment.end() ? nullptr : it->second.c_str();
}

TEST(ProgramOptions, CommandLineWinsOverEnvironmentOverDefaults) {
    gEnvironment.clear();
    ProgramOptions d = ReadProgramOptions({}, &FakeEnvironment);
    EXPECT_EQ(d.apiBase, kDefaultApiBase);
    EXPECT_EQ(d.probeUrl, kDefaultProbeUrl);
    EXPECT_TRUE(d.problems.empty());

    gEnvironment = {{"XIULAN_API_BASE", "http://127.0.0.1:9/"},
                    {"XIULAN_PROBE_URL", "http://127.0.0.1:9/probe"},
                    {"XIULAN_RAS", "sim"}};
    ProgramOptions e = ReadProgramOptions({}, &FakeEnvironment);
    EXPECT_EQ(e.apiBase, "http://127.0.0.1:9");
    EXPECT_EQ(e.probeUrl, "http://127.0.0.1:9/probe");
    EXPECT_EQ(e.ras, RasBackendChoice::Simulated);

    ProgramOptions c = ReadProgramOptions(
        {"--api-base=http://127.0.0.1:8", "--ras=real", "--probe-url=http://localhost/"},
        &FakeEnvironment);
    EXPECT_EQ(c.apiBase, "http://127.0.0.1:8");
    EXPECT_EQ(c.probeUrl, "http://localhost/");
    EXPECT_EQ(c.ras, RasBackendChoice::Real);
    gEnvironment.clear();
}

TEST(ProgramOptions, ReportsWhatItCannotUnderstand) {
    gEnvironment = {{"XIULAN_RAS", "maybe"}};
    ProgramOptions o = ReadProgramOptions({"--ras=both", "--verbose"}, &FakeEnvironment);
    EXPECT_EQ(o.problems,
              (std::vector<std::string>{"XIULAN_RAS=maybe", "--ras=both", "--verbose"}));
    gEnvironment.clear();
}

TEST(IsLoopbackUrl, RecognisesLoopbackHostsOnly) {
    const std::pair<const char*, bool> cases[] = {
        {"http://127.0.0.1:8080/x", true},
        {"http://127.9.9.9/", true},
        {"http://localhost/", true},
        {"http://[::1]:80/", true},
        {"http://user@127.0.0.1/", true},
        {"127.0.0.1:80", true},
        {"http://128.0.0.1/", false},
        {"http://example.test/127.0.0.1", false},
        {"http://localhost.example/", false},
        {"http://[::2]/", false},
        {"", false},
        {"http://[::1", false},
        {"http://127.example.test/", false},
        {"http://example.test/?u=a@127.0.0.1", false},
        {"http://example.test#@localhost", false},
    };
    for (auto& [url, loopback] : cases) EXPECT_EQ(IsLoopbackUrl(url), loopback) << url;
}

TEST(CheckInternetReachable, OpensAPageOnLoopback) {
    test::TinyHttpServer server;
    EXPECT_TRUE(CheckInternetReachable(server.Url("/")));
    EXPECT_GE(server.requests(), 1);
}

TEST(CheckInternetReachable, ClosedPortIsUnreachable) {
    int port;
    {
        test::TinyHttpServer server;
        port = server.port();
    }
    EXPECT_FALSE(CheckInternetReachable("http://127.0.0.1:" + std::to_string(port) + "/"));
}

}  // namespace
}  // namespace xl::app
