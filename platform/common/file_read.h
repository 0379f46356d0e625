// Reading an asset file whole, and telling one file from another: both
// platforms keep decoded pictures and sounds by the file's identity, so an
// unchanged file is not decoded twice and a changed one is.
#pragma once

#include <sys/types.h>

#include <cstdint>
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

// The identity of a regular file of at most maxBytes; false for anything else.
bool IdentifyFile(const char* path, off_t maxBytes, FileIdentity* id);

// Its whole content as well; false when it cannot all be read.
bool ReadWholeFile(const char* path, off_t maxBytes, FileIdentity* id, std::vector<uint8_t>* bytes);
