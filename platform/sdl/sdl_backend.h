// Shared between the SDL backend's files.
#pragma once

#include <SDL.h>

#include "platform/win32.h"

SDL_Window* SdlMainWindow();
void SdlRequestRedraw();
// Pictures sent to the screen since the renderer was created (for tests).
int SdlPicturesShown();
