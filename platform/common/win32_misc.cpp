#include <unistd.h>

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/common/code_page.h"
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
    char path[PATH_MAX];
    if (!getcwd(path, sizeof path)) return 0;
    DWORD len = (DWORD)strlen(path);
    if (!buffer || bufferLength <= len) return len + 1;
    memcpy(buffer, path, len + 1);
    return len;
}

namespace {

constexpr uint32_t kEscapedByte = 0xDC00;  // + a byte 0x80..0xFF that is not UTF-8

// The length of the valid UTF-8 sequence at s[0..length), 0 when there is none.
// Only shortest forms of scalar values count: an overlong form or an encoded
// surrogate would not come back as the same bytes.
size_t Utf8SequenceLength(const uint8_t* s, size_t length) {
    const uint8_t b = s[0];
    if (b < 0x80) return 1;
    size_t n;
    uint8_t lo = 0x80, hi = 0xBF;  // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (length < n || s[1] < lo || s[1] > hi) return 0;
    for (size_t k = 2; k < n; ++k) {
        if ((s[k] & 0xC0) != 0x80) return 0;
    }
    return n;
}

void AppendUtf8(std::string* out, uint32_t cp) {
    if (cp >= kEscapedByte + 0x80 && cp <= kEscapedByte + 0xFF) {
        out->push_back((char)(cp - kEscapedByte));
        return;
    }
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out->push_back((char)cp);
    } else if (cp < 0x800) {
        out->push_back((char)(0xC0 | cp >> 6));
        out->push_back((char)(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back((char)(0xE0 | cp >> 12));
        out->push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back((char)(0x80 | (cp & 0x3F)));
    } else {
        out->push_back((char)(0xF0 | cp >> 18));
        out->push_back((char)(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back((char)(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

int MultiByteToWideChar(UINT, DWORD, LPCSTR source, int sourceLength, WCHAR* dest, int destLength) {
    if (!source || sourceLength == 0 || sourceLength < -1 || destLength < 0) return 0;
    const uint8_t* s = reinterpret_cast<const uint8_t*>(source);
    size_t length = sourceLength == -1 ? strlen(source) + 1 : (size_t)sourceLength;
    int written = 0;
    for (size_t i = 0; i < length;) {
        uint32_t cp;
        const size_t n = Utf8SequenceLength(s + i, length - i);
        if (n == 0) {
            cp = kEscapedByte + s[i];
            i += 1;
        } else {
            static const uint8_t kLeadBits[5] = {0, 0x7F, 0x1F, 0x0F, 0x07};
            cp = s[i] & kLeadBits[n];
            for (size_t k = 1; k < n; ++k) cp = cp << 6 | (s[i + k] & 0x3F);
            i += n;
        }
        if (destLength > 0) {
            if (written >= destLength) return 0;  // the buffer is too small
            dest[written] = (WCHAR)cp;
        }
        ++written;
    }
    return written;
}

std::string NarrowFromWide(const WCHAR* text) {
    std::string out;
    for (; *text; ++text) AppendUtf8(&out, (uint32_t)*text);
    return out;
}
