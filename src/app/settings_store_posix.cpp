// The Linux stand-in for the private-profile functions: an INI file of our
// own, rewritten whole on every write through a temporary file and a rename,
// so a crash mid-write never leaves a torn file.
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "app/ini_document.h"
#include "app/settings_store.h"

namespace xl::app {
namespace {

bool ReadWholeFile(const std::string& path, std::string& out) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    char buf[8192];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return true;
}

bool WriteWholeFileAtomically(const std::string& path, const std::string& bytes) {
    const std::string temp = path + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!synced || std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

class IniFileStore final : public SettingsStore {
  public:
    IniFileStore(std::string path, SettingsWriteLog log)
        : path_(std::move(path)), log_(std::move(log)) {}

    std::string Read(std::string_view section, std::string_view key) override {
        std::string bytes;
        if (!ReadWholeFile(path_, bytes)) return {};
        std::string value = IniDocument::Parse(bytes).Get(section, key);
        if (value.size() > kSettingReadBufferSize - 1) value.resize(kSettingReadBufferSize - 1);
        return value;
    }

    void Write(std::string_view section, std::string_view key, std::string_view value) override {
        std::string bytes;
        ReadWholeFile(path_, bytes);
        IniDocument doc = IniDocument::Parse(bytes);
        doc.Set(section, key, value);
        if (!WriteWholeFileAtomically(path_, doc.Serialise()) && log_) {
            log_(SettingsWriteFailureLine(section, key, static_cast<unsigned>(errno)));
        }
    }

  private:
    std::string path_;
    SettingsWriteLog log_;
};

}  // namespace

std::string TemporaryFilesDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    if (dir.back() != '/') dir += '/';
    return dir;
}

std::unique_ptr<SettingsStore> MakeSettingsStore(std::string path, SettingsWriteLog log) {
    return std::make_unique<IniFileStore>(std::move(path), std::move(log));
}

}  // namespace xl::app
