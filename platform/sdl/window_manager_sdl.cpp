// Whether a window manager will make a window that asks for full screen
// cover the display. Kept apart from the rest of the backend: the X headers
// this needs define names (Window, Bool, None, ...) that clash with ours.
#include <SDL.h>
#include <SDL_syswm.h>
#include <dlfcn.h>

#include "platform/sdl/sdl_backend.h"

#if defined(SDL_VIDEO_DRIVER_X11)

namespace {

// The few Xlib calls used, taken from the libX11 that SDL's X11 driver has
// already loaded: the game links nothing of X itself, and where SDL drives
// no X server there is nothing to ask.
struct Xlib {
    Atom (*internAtom)(Display*, const char*, Bool);
    int (*getWindowProperty)(Display*, ::Window, Atom, long, long, Bool, Atom, Atom*, int*, unsigned long*,
                             unsigned long*, unsigned char**);
    int (*free)(void*);
    XErrorHandler (*setErrorHandler)(XErrorHandler);
    int (*sync)(Display*, Bool);
    ::Window (*defaultRootWindow)(Display*);
};

bool LoadXlib(Xlib& x) {
    void* lib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!lib) return false;
    *(void**)&x.internAtom = dlsym(lib, "XInternAtom");
    *(void**)&x.getWindowProperty = dlsym(lib, "XGetWindowProperty");
    *(void**)&x.free = dlsym(lib, "XFree");
    *(void**)&x.setErrorHandler = dlsym(lib, "XSetErrorHandler");
    *(void**)&x.sync = dlsym(lib, "XSync");
    *(void**)&x.defaultRootWindow = dlsym(lib, "XDefaultRootWindow");
    dlclose(lib);  // only drops the count this call added: SDL keeps it loaded
    return x.internAtom && x.getWindowProperty && x.free && x.setErrorHandler && x.sync && x.defaultRootWindow;
}

// Hands the 32-bit items of a window's property (as longs) to use(items, count).
template <class Use>
void ReadProperty(const Xlib& x, Display* d, ::Window w, Atom name, Atom type, Use use) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    int status = x.getWindowProperty(d, w, name, 0, 1024, False, type, &actualType, &format, &count, &after, &data);
    if (status == Success && data && actualType == type && format == 32)
        use(reinterpret_cast<const unsigned long*>(data), count);
    if (data) x.free(data);
}

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

}  // namespace

bool SdlWindowManagerFullScreens(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info)) return true;
    if (info.subsystem != SDL_SYSWM_X11) return info.subsystem != SDL_SYSWM_UNKNOWN;  // a compositor always does
    Xlib x;
    if (!LoadXlib(x)) return true;
    Display* d = info.info.x11.display;
    ::Window root = x.defaultRootWindow(d);
    // A window manager names a window of its own on the root window and on
    // that window itself; the name left on the root by one that has died
    // points to a window that is gone (an X error, not the default handler's
    // exit, while we look).
    const Atom check = x.internAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    unsigned long own = 0;
    ReadProperty(x, d, root, check, XA_WINDOW, [&](const unsigned long* v, unsigned long n) { own = n ? v[0] : 0; });
    if (!own) return false;
    bool alive = false;
    x.sync(d, False);
    XErrorHandler before = x.setErrorHandler(IgnoreXError);
    ReadProperty(x, d, own, check, XA_WINDOW,
                 [&](const unsigned long* v, unsigned long n) { alive = n && v[0] == own; });
    x.sync(d, False);
    x.setErrorHandler(before);
    if (!alive) return false;
    // ... and the states it supports, full screen among them or not.
    const Atom fullScreen = x.internAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
    bool supported = false;
    ReadProperty(x, d, root, x.internAtom(d, "_NET_SUPPORTED", False), XA_ATOM,
                 [&](const unsigned long* v, unsigned long n) {
                     for (unsigned long i = 0; i < n; ++i) supported = supported || v[i] == fullScreen;
                 });
    return supported;
}

#else

bool SdlWindowManagerFullScreens(SDL_Window*) { return true; }

#endif
