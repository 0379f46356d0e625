// Process entry of the real game: hands over to the game's own entry point.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include "platform/win32.h"

int main(int, char**) {
    SDL_SetMainReady();
    int code = WinMain(nullptr, nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT);
    SDL_Quit();
    return code;
}
