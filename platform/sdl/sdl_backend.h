// Shared between the SDL backend's files.
#pragma once

#include <SDL.h>

#include "platform/win32.h"

SDL_Window* SdlMainWindow();
void SdlRequestRedraw();
