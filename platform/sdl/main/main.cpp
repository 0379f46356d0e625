// Process entry of the real game: hands over to the game's own entry point.
#define SDL_MAIN_HANDLED
#include <SDL.h>

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
    int code = WinMain(nullptr, nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT);
    SDL_Quit();
    // A start-up that failed (no display, no renderer, no sound module, no
    // input) has already said why; a launcher or script must not take it for
    // a game that ran and ended normally.
    if (code == 0 && !MessageLoopEntered()) code = 1;
    return code;
}
