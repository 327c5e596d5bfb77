// The Linux side of the settings store: our own INI store over POSIX files,
// kept in the temporary-files directory; a write goes through a new file and a
// rename, so a crash mid-write never leaves a torn file.
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "app/ini_file_store.h"
#include "app/settings_disk.h"
#include "app/settings_store.h"

namespace xl::app {

DiskRead ReadWholeFile(const std::string& path, std::uint64_t limitBytes) {
    DiskRead result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return result;  // Missing
        return {DiskReadState::Failed, {}, static_cast<unsigned>(errno)};
    }
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;  // before close can change it
            ::close(fd);
            return {DiskReadState::Failed, {}, static_cast<unsigned>(error)};
        }
        if (result.bytes.size() + static_cast<std::size_t>(n) > limitBytes) {
            ::close(fd);
            return {DiskReadState::TooLarge, {}, 0};
        }
        result.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    result.state = DiskReadState::Read;
    return result;
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

unsigned MoveFileReplacing(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : static_cast<unsigned>(errno);
}

unsigned RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : static_cast<unsigned>(errno);
}

std::string TemporaryFilesDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    if (dir.back() != '/') dir += '/';
    return dir;
}

std::optional<std::string> SettingsFolder() {
    return TemporaryFilesDirectory();
}

std::unique_ptr<SettingsStore> MakeSettingsStore(std::string path, SettingsLog log) {
    return MakeIniFileStore(std::move(path), std::move(log));
}

}  // namespace xl::app
