// The Linux side of the settings store: our own INI store over POSIX files;
// a write goes through a temporary file and a rename, so a crash mid-write
// never leaves a torn file.
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "app/ini_file_store.h"
#include "app/settings_store.h"

namespace xl::app {

bool ReadWholeFile(const std::string& path, std::string& out) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    char buf[8192];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return true;
}

unsigned ReplaceWholeFile(const std::string& path, const std::string& bytes) {
    const std::string temp = path + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return static_cast<unsigned>(errno);
    // errno is taken before the clean-up calls can change it.
    auto fail = [&](int error) {
        ::unlink(temp.c_str());
        return static_cast<unsigned>(error);
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            ::close(fd);
            return fail(error);
        }
        done += static_cast<std::size_t>(n);
    }
    const int syncError = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    if (syncError != 0) return fail(syncError);
    if (std::rename(temp.c_str(), path.c_str()) != 0) return fail(errno);
    return 0;
}

std::string TemporaryFilesDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    if (dir.back() != '/') dir += '/';
    return dir;
}

std::unique_ptr<SettingsStore> MakeSettingsStore(std::string path, SettingsWriteLog log) {
    return MakeIniFileStore(std::move(path), std::move(log));
}

}  // namespace xl::app
