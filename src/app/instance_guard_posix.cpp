// Elsewhere: an exclusive lock on a per-user file stands for the named event.
// Looking for the marker takes the lock when it is free, so two copies started
// at the same moment cannot both miss each other; the user sees the same.
#include <fcntl.h>
#include <iconv.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "app/instance_guard.h"

namespace xl::app {
namespace {

// The session's runtime directory, or a private one under /tmp; empty when
// neither can be trusted.
std::string LockDirectory() {
    struct stat info {};
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run != nullptr && run[0] == '/') {
        if (stat(run, &info) == 0 && S_ISDIR(info.st_mode)) return run;
    }
    const std::string own = "/tmp/xiulan-" + std::to_string(getuid());
    mkdir(own.c_str(), 0700);
    // Someone else's directory or a link in its place is not ours to lock in.
    if (lstat(own.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid()) {
        return {};
    }
    return own;
}

// GBK names become hex so the file name is plain ASCII.
std::string LockFileName(const std::string& name) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string file = "xiulan-";
    for (unsigned char c : name) {
        file += kHex[c >> 4];
        file += kHex[c & 0x0F];
    }
    return file + ".lock";
}

std::string ToTerminalText(const std::string& gbk) {
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1)) return gbk;
    std::string out(gbk.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(gbk.data());
    std::size_t inLeft = gbk.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const bool ok = iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (!ok) return gbk;
    out.resize(out.size() - outLeft);
    return out;
}

class PosixInstancePort final : public InstancePort {
  public:
    // Locks are held, never released, until the process ends, as the
    // Windows event handle is.
    ~PosixInstancePort() override = default;

    MarkerLookup OpenMarker(const std::string& name) override {
        if (held_.contains(name)) return MarkerLookup::Absent;
        const int fd = OpenLockFile(name);
        // A lock file this user may not open was left by a copy with other
        // rights (run as root with this session's runtime directory).
        if (fd < 0) return errno == EACCES ? MarkerLookup::Denied : MarkerLookup::Unavailable;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            held_[name] = fd;
            return MarkerLookup::Absent;
        }
        const bool busy = errno == EWOULDBLOCK;
        close(fd);
        return busy ? MarkerLookup::Found : MarkerLookup::Unavailable;
    }

    bool CreateMarker(const std::string& name) override {
        if (held_.contains(name)) return true;
        const int fd = OpenLockFile(name);
        if (fd < 0) return false;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return false;
        }
        held_[name] = fd;
        return true;
    }

    void ShowStopMessage(const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "%s %s\n", ToTerminalText(caption).c_str(),
                     ToTerminalText(text).c_str());
    }

    void EndProcess(int code) override { std::exit(code); }

  private:
    static int OpenLockFile(const std::string& name) {
        const std::string directory = LockDirectory();
        if (directory.empty()) {
            errno = ENOENT;
            return -1;
        }
        const std::string path = directory + "/" + LockFileName(name);
        return open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    }

    std::map<std::string, int> held_;
};

}  // namespace

std::unique_ptr<InstancePort> MakeInstancePort() {
    return std::make_unique<PosixInstancePort>();
}

}  // namespace xl::app
