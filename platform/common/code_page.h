// The one code page of this platform. A narrow string is what the file
// system holds: UTF-8 where its bytes are valid UTF-8, any other bytes as
// they are (a Latin-1 or Shift-JIS folder name unpacked from an archive).
// MultiByteToWideChar keeps each byte that is not part of valid UTF-8 as a
// lone low surrogate, U+DC80..U+DCFF, and NarrowFromWide turns it back, so
// that the round trip gives every name the system can open byte for byte.
#pragma once

#include <string>

#include "platform/win32.h"

std::string NarrowFromWide(const WCHAR* text);
