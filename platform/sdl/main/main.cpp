// Process entry of the real game: hands over to the game's own entry point.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cstdio>
#include <exception>
#include <new>

#include "game/scene.h"
#include "platform/common/backend.h"
#include "platform/common/program_resources.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/win32.h"

// Linked in by the build: the program's icon.
extern const ProgramResource kProgramResources[];
extern const int kProgramResourceCount;

int main(int, char**) {
    SDL_SetMainReady();
    SetProgramResources(kProgramResources, kProgramResourceCount);
    SdlWatchScene(&g_FrameNo);
    int code;
    try {
        code = WinMain(nullptr, nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT);
    } catch (const std::bad_alloc&) {
        // Loads that run out of memory fail on their own; this is memory the
        // game itself could not go on without.
        fprintf(stderr, "the game cannot go on: not enough memory\n");
        return 1;
    } catch (const std::exception& e) {
        fprintf(stderr, "the game cannot go on: %s\n", e.what());
        return 1;
    }
    SDL_Quit();
    // A start-up that failed (no display, no renderer, no sound module, no
    // input) has already said why; a launcher or script must not take it for
    // a game that ran and ended normally.
    if (code == 0 && !MessageLoopEntered()) code = 1;
    return code;
}
