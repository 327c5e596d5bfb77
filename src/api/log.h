#pragma once
// The program's log: background work that shows nothing (the quiet server-list
// refreshes) leaves one line per event here, with its time, so a user asking
// for help can send the file along.
#include <mutex>
#include <string>
#include <string_view>

namespace xl::api {

class ProgramLog {
  public:
    virtual ~ProgramLog() = default;
    // One line; the log adds the time. May be called from any thread.
    virtual void Write(std::string_view message) = 0;
};

// Appends "YYYY-MM-DD HH:MM:SS message" lines (CR LF, GBK) to a file; a file that cannot be
// opened loses the line and nothing else happens.
class FileLog final : public ProgramLog {
  public:
    explicit FileLog(std::string path) : path_(std::move(path)) {}
    void Write(std::string_view message) override;

  private:
    std::mutex mutex_;
    std::string path_;
};

}  // namespace xl::api
