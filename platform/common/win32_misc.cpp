#include <unistd.h>

#include <cstdarg>
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
