#pragma once
// The program's log, "岫澜IP.log" beside the settings file: one line per event
// with its time, so that a user asking for help can send the file along. The
// start, each login, each dial's steps, each drop, each netsh command and each
// failed settings write leave a line there.
//
// Writers may call from any thread. The file is opened for each line and
// closed again, so the user may read, move or delete it at any time. It is
// capped: a line that would take it past the cap first moves it to the
// rolled-over name (replacing the older one), so the two files together stay
// under twice the cap. A log that cannot be written loses the line and nothing
// else happens: Write never fails and never throws. Nobody hands it a password
// or a cookie.
#include <cstdint>
#include <initializer_list>
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

inline constexpr std::string_view kLogFileName = "岫澜IP.log";
inline constexpr std::uint64_t kLogCapBytes = 1024 * 1024;
// A longer message is cut, so that no single line can break the cap.
inline constexpr std::size_t kLogMessageLimit = 4096;

// Writes the parts of `context` followed by what the exception being handled
// says of itself. Only for a catch block: it never throws, so it cannot end the
// program from there (the line is put together here, inside its own guard).
void LogCurrentException(ProgramLog& log, std::initializer_list<std::string_view> context) noexcept;

// "dir\岫澜IP.log" gives "dir\岫澜IP.old.log": the one rolled-over file.
std::string RolledLogPath(std::string_view path);

// The message as one line: control bytes (a CR or LF in an account name, say)
// become blanks, also after a GBK lead byte (which then stands alone: only a
// trail byte makes a pair), and a message past kLogMessageLimit is cut without
// splitting a GBK character.
std::string OneLogLine(std::string_view message);

// Appends "YYYY-MM-DD HH:MM:SS.mmm message" lines (CR LF, GBK) to a file.
class FileLog final : public ProgramLog {
  public:
    explicit FileLog(std::string path, std::uint64_t capBytes = kLogCapBytes)
        : path_(std::move(path)), rolledPath_(RolledLogPath(path_)), capBytes_(capBytes) {}
    void Write(std::string_view message) override;
    const std::string& Path() const { return path_; }

  private:
    std::mutex mutex_;
    std::string path_;
    std::string rolledPath_;
    std::uint64_t capBytes_;
};

}  // namespace xl::api
