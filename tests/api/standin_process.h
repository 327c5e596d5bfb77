#pragma once
// Starts the stand-in service (the Linux program, also from a Windows test
// under Wine, which can start Linux programs) on a free loopback port for one
// test program, and asks it to end when done. The program is found through
// the environment variable XIULAN_STANDIN, else the path CMake compiled in;
// when neither exists the tests that need it skip with that reason.
#include <gtest/gtest.h>

#include <string>

#include "api/http_request.h"

namespace xl::api::test {

class StandinProcess {
  public:
    StandinProcess();
    ~StandinProcess();
    StandinProcess(const StandinProcess&) = delete;
    StandinProcess& operator=(const StandinProcess&) = delete;

    bool Running() const { return port_ > 0; }
    // Why the service is not running, for GTEST_SKIP.
    const std::string& Problem() const { return problem_; }
    // "http://127.0.0.1:<port>"
    std::string BaseUrl() const;
    // A GET of BaseUrl() + path through the platform's request object; the body.
    std::string Get(const std::string& path, int* status = nullptr) const;
    // Switches a fault on `path` ("delay_ms=3000&status=500" ...), or clears them all.
    void Fault(const std::string& path, const std::string& query) const;
    void Reset() const;

  private:
    int port_ = 0;
    long pid_ = 0;  // natively, the child to reap
    std::string problem_;
    HttpRequest http_;
};

// One stand-in service for a whole suite; each test starts with its faults
// cleared, or skips with the reason the service could not start.
class StandinSuite : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { standin = new StandinProcess(); }
    static void TearDownTestSuite() {
        delete standin;
        standin = nullptr;
    }
    void SetUp() override {
        if (!standin->Running()) GTEST_SKIP() << standin->Problem();
        standin->Reset();
    }
    static inline StandinProcess* standin = nullptr;
};

}  // namespace xl::api::test
