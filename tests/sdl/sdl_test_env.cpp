// The SDL tests run without a display or a sound card: SDL's dummy video
// and dummy audio drivers stand in, unless the caller chose others.
#include <cstdlib>

namespace {

struct SdlTestDrivers {
    SdlTestDrivers() {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
    }
} g_drivers;

}  // namespace
