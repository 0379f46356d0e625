#include "platform/common/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <tuple>

bool FileIdentity::operator==(const FileIdentity& o) const {
    return std::tie(dev, ino, size, mtimeSec, mtimeNsec) == std::tie(o.dev, o.ino, o.size, o.mtimeSec, o.mtimeNsec);
}

bool FileIdentity::operator<(const FileIdentity& o) const {
    return std::tie(dev, ino, size, mtimeSec, mtimeNsec) < std::tie(o.dev, o.ino, o.size, o.mtimeSec, o.mtimeNsec);
}

namespace {

bool Identify(int fd, off_t maxBytes, FileIdentity* id) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxBytes) return false;
    *id = FileIdentity{st.st_dev, st.st_ino, st.st_size, (long)st.st_mtim.tv_sec, (long)st.st_mtim.tv_nsec};
    return true;
}

}  // namespace

bool IdentifyFile(const char* path, off_t maxBytes, FileIdentity* id) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = Identify(fd, maxBytes, id);
    close(fd);
    return ok;
}

bool ReadWholeFile(const char* path, off_t maxBytes, FileIdentity* id, std::vector<uint8_t>* bytes) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = Identify(fd, maxBytes, id);
    if (ok) {
        bytes->resize((size_t)id->size);
        size_t done = 0;
        while (done < bytes->size()) {
            ssize_t n = read(fd, bytes->data() + done, bytes->size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += (size_t)n;
        }
        ok = done == bytes->size();
    }
    close(fd);
    return ok;
}
