// Reading an asset file whole, and telling one file from another: both
// platforms keep decoded pictures and sounds by the file's identity, so an
// unchanged file is not decoded twice and a changed one is.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

struct FileIdentity {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long mtimeSec = 0;
    long mtimeNsec = 0;

    bool operator==(const FileIdentity& o) const;
    bool operator<(const FileIdentity& o) const;
};

// The identity of a regular file of at most maxBytes; false for anything
// else, with the reason in *why when why is not null ("missing", "not a
// regular file (a named pipe)", "too large ...", "unreadable: ..."). Nothing
// here waits: a named pipe or a device is refused without being read.
bool IdentifyFile(const char* path, off_t maxBytes, FileIdentity* id, std::string* why = nullptr);

// Its whole content as well; false when it cannot all be read.
bool ReadWholeFile(const char* path, off_t maxBytes, FileIdentity* id, std::vector<uint8_t>* bytes,
                   std::string* why = nullptr);

// The same two for a path relative to the folder open as dirFd. A folder's
// own path may be as long as the system allows a path to be, and the files
// in it are still reached, where the joined path would be too long.
bool IdentifyFileAt(int dirFd, const char* path, off_t maxBytes, FileIdentity* id, std::string* why = nullptr);
bool ReadWholeFileAt(int dirFd, const char* path, off_t maxBytes, FileIdentity* id, std::vector<uint8_t>* bytes,
                     std::string* why = nullptr);

// The one line on standard error that a failed load writes beside the
// game's own message, naming the file and the reason.
void ReportLoadFailure(const char* path, const std::string& why);
