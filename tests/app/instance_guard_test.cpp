#include "app/instance_guard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace xl::app {
namespace {

// Records every call in order; answers the lookup and the creation as told.
class RecordingPort final : public InstancePort {
  public:
    RecordingPort(MarkerLookup lookup, bool creates) : lookup_(lookup), creates_(creates) {}

    MarkerLookup OpenMarker(const std::string& name) override {
        calls.push_back("open " + name);
        return lookup_;
    }
    bool CreateMarker(const std::string& name) override {
        calls.push_back("create " + name);
        return creates_;
    }
    void ShowStopMessage(const std::string& text, const std::string& caption) override {
        calls.push_back("box " + caption + " " + text);
    }
    void EndProcess(int code) override { calls.push_back("end " + std::to_string(code)); }

    std::vector<std::string> calls;

  private:
    MarkerLookup lookup_;
    bool creates_;
};

const std::string kName = "岫澜IP禁止程序重复运行";

TEST(GuardSingleInstance, DecidesFromTheMarker) {
    const struct {
        const char* what;
        MarkerLookup lookup;
        bool creates;
        std::vector<std::string> calls;
        bool mayRun;
    } cases[] = {
        {"first copy", MarkerLookup::Absent, true, {"open " + kName, "create " + kName}, true},
        {"second copy: message, then exit code 0 and nothing else",
         MarkerLookup::Found,
         true,
         {"open " + kName, "box 友情提醒: 程序已运行，请勿重复打开！", "end 0"},
         false},
        // A copy at another level (elevated, or normal beside an elevated one).
        {"marker there but not to be opened: as for a found one",
         MarkerLookup::Denied,
         true,
         {"open " + kName, "box 友情提醒: 程序已运行，请勿重复打开！", "end 0"},
         false},
        {"lookup failed otherwise: runs as the first copy",
         MarkerLookup::Unavailable,
         true,
         {"open " + kName, "create " + kName},
         true},
        {"marker cannot be made: runs anyway",
         MarkerLookup::Absent,
         false,
         {"open " + kName, "create " + kName},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingPort port(c.lookup, c.creates);
        EXPECT_EQ(GuardSingleInstance(port), c.mayRun);
        EXPECT_EQ(port.calls, c.calls);
    }
}

TEST(GuardSingleInstance, TextsAreTheProgramsOwn) {
    EXPECT_EQ(std::string(InstanceEventName), kName);
    // GBK at run time: two bytes for each Chinese character and full-width mark.
    EXPECT_EQ(std::string(InstanceEventName).size(), 22u);
    EXPECT_EQ(std::string(kAlreadyRunningText).size(), 26u);
    EXPECT_EQ(std::string(kAlreadyRunningCaption).size(), 9u);
}

}  // namespace
}  // namespace xl::app
