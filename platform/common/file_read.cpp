#include "platform/common/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <tuple>

bool FileIdentity::operator==(const FileIdentity& o) const {
    return std::tie(dev, ino, size, mtimeSec, mtimeNsec) == std::tie(o.dev, o.ino, o.size, o.mtimeSec, o.mtimeNsec);
}

bool FileIdentity::operator<(const FileIdentity& o) const {
    return std::tie(dev, ino, size, mtimeSec, mtimeNsec) < std::tie(o.dev, o.ino, o.size, o.mtimeSec, o.mtimeNsec);
}

namespace {

bool Fail(std::string* why, const std::string& reason) {
    if (why) *why = reason;
    return false;
}

bool FailErrno(std::string* why, int error) {
    if (error == ENOENT || error == ENOTDIR) return Fail(why, "missing");
    return Fail(why, std::string("unreadable: ") + strerror(error));
}

// Accepts a regular file of at most maxBytes.
bool Check(const struct stat& st, off_t maxBytes, std::string* why) {
    if (S_ISDIR(st.st_mode)) return Fail(why, "not a regular file (a folder)");
    if (S_ISFIFO(st.st_mode)) return Fail(why, "not a regular file (a named pipe)");
    if (S_ISSOCK(st.st_mode)) return Fail(why, "not a regular file (a socket)");
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return Fail(why, "not a regular file (a device)");
    if (!S_ISREG(st.st_mode)) return Fail(why, "not a regular file");
    if (st.st_size > maxBytes) {
        return Fail(why, "too large (" + std::to_string((long long)st.st_size) + " bytes, at most " +
                             std::to_string((long long)maxBytes) + ")");
    }
    return true;
}

// Opens a regular file without ever blocking: the kind is checked before the
// open, and again on what was opened, in case the name changed in between.
int OpenRegular(int dirFd, const char* path, off_t maxBytes, FileIdentity* id, std::string* why) {
    struct stat st;
    if (fstatat(dirFd, path, &st, 0) != 0) {
        FailErrno(why, errno);
        return -1;
    }
    if (!Check(st, maxBytes, why)) return -1;
    int fd = openat(dirFd, path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        FailErrno(why, errno);
        return -1;
    }
    if (fstat(fd, &st) != 0 || !Check(st, maxBytes, why)) {
        close(fd);
        return -1;
    }
    *id = FileIdentity{st.st_dev, st.st_ino, st.st_size, (long)st.st_mtim.tv_sec, (long)st.st_mtim.tv_nsec};
    return fd;
}

}  // namespace

bool IdentifyFile(const char* path, off_t maxBytes, FileIdentity* id, std::string* why) {
    return IdentifyFileAt(AT_FDCWD, path, maxBytes, id, why);
}

bool ReadWholeFile(const char* path, off_t maxBytes, FileIdentity* id, std::vector<uint8_t>* bytes,
                   std::string* why) {
    return ReadWholeFileAt(AT_FDCWD, path, maxBytes, id, bytes, why);
}

bool IdentifyFileAt(int dirFd, const char* path, off_t maxBytes, FileIdentity* id, std::string* why) {
    int fd = OpenRegular(dirFd, path, maxBytes, id, why);
    if (fd < 0) return false;
    close(fd);
    return true;
}

bool ReadWholeFileAt(int dirFd, const char* path, off_t maxBytes, FileIdentity* id, std::vector<uint8_t>* bytes,
                     std::string* why) {
    int fd = OpenRegular(dirFd, path, maxBytes, id, why);
    if (fd < 0) return false;
    try {
        bytes->resize((size_t)id->size);
    } catch (const std::bad_alloc&) {
        close(fd);
        return Fail(why, "not enough memory to read it (" + std::to_string((long long)id->size) + " bytes)");
    }
    size_t done = 0;
    bool ok = true;
    while (done < bytes->size()) {
        ssize_t n = read(fd, bytes->data() + done, bytes->size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = FailErrno(why, errno);
            break;
        }
        if (n == 0) {
            ok = Fail(why, "unreadable: it shrank while being read");
            break;
        }
        done += (size_t)n;
    }
    close(fd);
    return ok;
}

void ReportLoadFailure(const char* path, const std::string& why) {
    fprintf(stderr, "cannot load %s: %s\n", path ? path : "(no name)", why.c_str());
    fflush(stderr);
}
