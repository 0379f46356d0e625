#include <unistd.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/win32.h"

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom) {
    if (!rect) return FALSE;
    *rect = {left, top, right, bottom};
    return TRUE;
}

// Like its namesake, writes at most 1024 characters including the terminator.
int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, 1024, format, args);
    va_end(args);
    if (n < 0) return 0;
    return n < 1024 ? n : 1023;
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
    char path[4096];
    if (!getcwd(path, sizeof path)) return 0;
    DWORD len = (DWORD)strlen(path);
    if (!buffer || bufferLength <= len) return len + 1;
    memcpy(buffer, path, len + 1);
    return len;
}

// Our strings are UTF-8: that is the one code page this platform speaks.
int MultiByteToWideChar(UINT, DWORD, LPCSTR source, int sourceLength, WCHAR* dest, int destLength) {
    if (!source || sourceLength == 0 || sourceLength < -1 || destLength < 0) return 0;
    const uint8_t* s = reinterpret_cast<const uint8_t*>(source);
    size_t length = sourceLength == -1 ? strlen(source) + 1 : (size_t)sourceLength;
    int written = 0;
    for (size_t i = 0; i < length;) {
        // One UTF-8 sequence; a malformed one becomes U+FFFD.
        uint32_t cp = s[i];
        size_t extra = cp < 0x80 ? 0 : (cp & 0xE0) == 0xC0 ? 1 : (cp & 0xF0) == 0xE0 ? 2 : (cp & 0xF8) == 0xF0 ? 3 : 4;
        size_t used = 1;
        if (extra == 4) {
            cp = 0xFFFD;
        } else if (extra > 0) {
            cp &= 0x3Fu >> extra;
            size_t k = 1;
            for (; k <= extra && i + k < length && (s[i + k] & 0xC0) == 0x80; ++k) {
                cp = cp << 6 | (s[i + k] & 0x3F);
            }
            if (k <= extra) {
                cp = 0xFFFD;
            } else {
                used = extra + 1;
            }
        }
        i += used;
        if (destLength > 0) {
            if (written >= destLength) return 0;  // the buffer is too small
            dest[written] = (WCHAR)cp;
        }
        ++written;
    }
    return written;
}
