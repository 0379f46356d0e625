// Shared between the SDL backend's files.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "platform/win32.h"

class IDirect3DTexture8;
struct RasterVertex;

SDL_Window* SdlMainWindow();
// Whether a window manager makes a window that asks for full screen cover
// the display (on X, one that says it supports that state; elsewhere, as a
// compositor, always).
bool SdlWindowManagerFullScreens(SDL_Window* window);
void SdlRequestRedraw();
// Pictures sent to the screen since the renderer was created (for tests).
int SdlPicturesShown();
// Whether an OpenGL renderer's name (GL_RENDERER) is one that draws on the
// processor: the window's framebuffer is then used instead.
bool IsSoftwareOpenGl(const char* rendererName);
// The folder in which the device looks for a GPU's device nodes (a DRM
// render node, NVIDIA's driver), "/dev" unless a test gives its own; what
// the device had found out about the GPU is forgotten.
void SetSdlDeviceFolder(const char* folder);

// Frame times seen by the device, for the benchmarks (and, with
// POTE_FRAME_STATS set, written to standard error at shutdown).
struct SdlFrameStats {
    int frames = 0;         // frames timed: every one after the first
    double longestMs = 0;   // longest time from one present to the next
    int over33Ms = 0;       // frames that took longer than two steps
    double spanMs = 0;      // from the first present to the last
    double firstMs = 0;     // the first frame, from its start to its present
    int firstScene = -1;    // the scene the first frame ran
};
SdlFrameStats GetSdlFrameStats();
// Lets the long frames name their scene: the number the game switches its
// frame on, read when each frame begins (the program's entry sets it).
void SdlWatchScene(const uint8_t* scene);
// Called as a frame begins (its keyboard read): the first frame is timed
// from here.
void SdlFrameBegins();

// Sees every draw as the device takes it (the play benchmark replays them
// through SDL's renderer); none is set in the game.
using SdlDrawObserver = void (*)(const IDirect3DTexture8* texture, const RasterVertex* v, int count);
void SetSdlDrawObserver(SdlDrawObserver observer);
