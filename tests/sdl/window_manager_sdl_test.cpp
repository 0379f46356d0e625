// Whether a window manager will make the window cover the screen when it asks
// for full screen, as the game finds out from the X server: only one that
// runs and says it can. One that died leaves its names on the root window,
// pointing to a window of its own that is gone; nobody will then resize the
// window, and the game must cover the screen itself. Needs Xvfb.
#include <SDL.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/sdl/sdl_backend.h"

// Xlib's names (Window, Bool, None, ...) come after the game's own.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

// An X server of the test's own, up for its lifetime; display() is empty
// when it did not start.
class XServer {
public:
    XServer() {
#ifdef POTE_XVFB
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            const std::string fd = std::to_string(fds[1]);
            execl(POTE_XVFB, "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp",
                  (char*)nullptr);
            _exit(127);
        }
        close(fds[1]);
        // Xvfb picks a free display and writes its number once it takes
        // connections; a busy machine may take long to start it.
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (pid_ > 0 && number.find('\n') == std::string::npos && poll(&p, 1, 60000) > 0) {
            char buf[16];
            ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0) break;
            number.append(buf, (size_t)n);
        }
        close(fds[0]);
        if (number.size() > 1 && number.back() == '\n') display_ = ":" + number.substr(0, number.size() - 1);
#endif
    }
    ~XServer() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

}  // namespace

// A stand-in window manager on a connection of its own names its window on
// the root window and on that window, and the states it supports; SDL's
// connection then asks. Each change is through on the server (XSync) before
// the game looks.
TEST(SdlWindowManager, OnlyOneThatRunsAndCanIsLeftToCoverTheScreen) {
#ifndef POTE_XVFB
    GTEST_SKIP() << "no Xvfb";
#else
    XServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    setenv("DISPLAY", server.display().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    // No session bus: SDL's X driver would otherwise have D-Bus start one
    // for this display (dbus-launch), to outlive the test.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null/no-bus", 1);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("potepote", 0, 0, 640, 480, SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    EXPECT_FALSE(SdlWindowManagerFullScreens(window)) << "a bare X server: nobody resizes the window";

    Display* wm = XOpenDisplay(server.display().c_str());
    ASSERT_NE(wm, nullptr);
    const ::Window root = DefaultRootWindow(wm);
    const ::Window own = XCreateSimpleWindow(wm, root, 0, 0, 1, 1, 0, 0, 0);
    const Atom check = XInternAtom(wm, "_NET_SUPPORTING_WM_CHECK", False);
    XChangeProperty(wm, root, check, XA_WINDOW, 32, PropModeReplace, (const unsigned char*)&own, 1);
    XChangeProperty(wm, own, check, XA_WINDOW, 32, PropModeReplace, (const unsigned char*)&own, 1);
    auto supports = [&](bool fullScreen) {
        std::vector<Atom> states = {XInternAtom(wm, "_NET_WM_STATE", False),
                                    XInternAtom(wm, "_NET_WM_STATE_MAXIMIZED_VERT", False)};
        if (fullScreen) states.push_back(XInternAtom(wm, "_NET_WM_STATE_FULLSCREEN", False));
        XChangeProperty(wm, root, XInternAtom(wm, "_NET_SUPPORTED", False), XA_ATOM, 32, PropModeReplace,
                        (const unsigned char*)states.data(), (int)states.size());
        XSync(wm, False);
    };
    supports(false);
    EXPECT_FALSE(SdlWindowManagerFullScreens(window)) << "a window manager without full screen";
    supports(true);
    EXPECT_TRUE(SdlWindowManagerFullScreens(window)) << "a window manager that runs and can";

    // As when it is killed: its window goes, its names on the root stay.
    XDestroyWindow(wm, own);
    XSync(wm, False);
    EXPECT_FALSE(SdlWindowManagerFullScreens(window))
        << "a window manager that died, its names left on the root window, was taken for a living one";

    XCloseDisplay(wm);
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    unsetenv("DISPLAY");
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
#endif
}
