// Shared between the SDL backend's files.
#pragma once

#include <SDL.h>

#include "platform/win32.h"

class IDirect3DTexture8;
struct RasterVertex;

SDL_Window* SdlMainWindow();
void SdlRequestRedraw();

// Sees every draw as the device takes it (the play benchmark replays them
// through SDL's renderer); none is set in the game.
using SdlDrawObserver = void (*)(const IDirect3DTexture8* texture, const RasterVertex* v, int count);
void SetSdlDrawObserver(SdlDrawObserver observer);
