// The test platform: nothing is shown and nothing waits for real time.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>

#include "platform/common/backend.h"
#include "platform/headless/headless.h"

namespace {

DWORD g_clock = headless::kStartClock;
int g_sleeps = 0;
bool g_videoAvailable = true;
bool g_acceleratedAvailable = true;
bool g_softwareAvailable = true;
int g_rendererAttempts = 0;
bool g_rendererUp = false;
bool g_rendererAccelerated = false;
int g_desktopW = 1920, g_desktopH = 1080;
PlatformWindow g_shadow;  // the window as the backend last saw it
bool g_windowExists = false;
PlatformIcon g_icon;  // the window's own icon, once the program gave it one

struct PendingEvent {
    enum Kind { Close, Minimize, Restore, Move, Key } kind;
    int a = 0, b = 0;
};
std::deque<PendingEvent> g_pending;

std::function<void(int)> g_presentHook;
std::function<void()> g_idleHook;
int g_presents = 0;
bool g_lastChanged = false;
const Picture* g_lastPicture = nullptr;
Picture g_blank;
std::vector<headless::DrawRecord> g_draws;
std::vector<headless::MessageBoxRecord> g_boxes;
std::string g_debug;

}  // namespace

namespace headless {

void SetClock(DWORD ms) { g_clock = ms; }
void AdvanceClock(DWORD ms) { g_clock += ms; }
DWORD Clock() { return g_clock; }
int SleepCount() { return g_sleeps; }

void UserClosesWindow() { g_pending.push_back({PendingEvent::Close}); }
void UserMinimizes() { g_pending.push_back({PendingEvent::Minimize}); }
void UserRestores() { g_pending.push_back({PendingEvent::Restore}); }
void UserMovesWindow(int x, int y) { g_pending.push_back({PendingEvent::Move, x, y}); }
void UserPressesKey(BYTE vk, bool alt) { g_pending.push_back({PendingEvent::Key, vk, alt ? 1 : 0}); }

void SetVideoAvailable(bool available) { g_videoAvailable = available; }
void SetRendererAvailable(bool accelerated, bool software) {
    g_acceleratedAvailable = accelerated;
    g_softwareAvailable = software;
}
int RendererCreateAttempts() { return g_rendererAttempts; }
bool RendererIsAccelerated() { return g_rendererAccelerated; }

bool WindowExists() { return g_windowExists; }
bool WindowVisible() { return g_windowExists && g_shadow.visible; }
bool WindowFullScreen() { return IsFullScreenStyle(g_shadow.style); }
RECT WindowRect() { return g_shadow.rect; }
const PlatformIcon& WindowIcon() { return g_icon; }
void SetDesktopSize(int width, int height) {
    g_desktopW = width;
    g_desktopH = height;
}

void SetPresentHook(std::function<void(int)> hook) { g_presentHook = std::move(hook); }
void SetIdleHook(std::function<void()> hook) { g_idleHook = std::move(hook); }

int PresentCount() { return g_presents; }
bool LastPresentChanged() { return g_lastChanged; }
const Picture& LastPicture() { return g_lastPicture ? *g_lastPicture : g_blank; }
uint32_t PixelAt(int x, int y) { return LastPicture().px[(size_t)y * kPictureWidth + x]; }

const std::vector<DrawRecord>& Draws() { return g_draws; }
void ClearDraws() { g_draws.clear(); }
const std::vector<MessageBoxRecord>& MessageBoxes() { return g_boxes; }
const std::string& DebugOutput() { return g_debug; }
void ClearDebugOutput() { g_debug.clear(); }

}  // namespace headless

bool BackendVideoInit() { return g_videoAvailable; }

void BackendDesktopSize(int* width, int* height) {
    *width = g_desktopW;
    *height = g_desktopH;
}

void BackendWindowCreated(PlatformWindow& w, const char*) {
    g_windowExists = true;
    g_shadow = w;
}

void BackendWindowChanged(PlatformWindow& w) { g_shadow = w; }

void BackendWindowIcon(PlatformWindow&, const PlatformIcon& icon) { g_icon = icon; }

void BackendWindowDestroyed(PlatformWindow& w) {
    g_shadow = w;
    g_windowExists = false;
}

void BackendPumpEvents() {
    while (!g_pending.empty()) {
        PendingEvent e = g_pending.front();
        g_pending.pop_front();
        PlatformWindow* w = MainPlatformWindow();
        if (!w) continue;
        switch (e.kind) {
        case PendingEvent::Close: QueueWindowMessage(WM_CLOSE, 0, 0); break;
        case PendingEvent::Minimize: NotifyWindowMinimized(true); break;
        case PendingEvent::Restore: NotifyWindowMinimized(false); break;
        case PendingEvent::Move: NotifyWindowMoved(e.a, e.b); break;
        case PendingEvent::Key: QueueWindowMessage(e.b ? WM_SYSKEYDOWN : WM_KEYDOWN, (WPARAM)e.a, 0); break;
        }
        if (w) g_shadow = *w;
    }
}

void BackendWaitEvent() {
    if (g_pending.empty() && g_idleHook) g_idleHook();
    if (g_pending.empty()) {
        // Nothing would ever wake the loop: a test that gets here has a fault.
        fprintf(stderr, "headless: the message loop waits for an event that no test will send\n");
        abort();
    }
    BackendPumpEvents();
}

bool BackendCreateRenderer(bool accelerated) {
    ++g_rendererAttempts;
    if (!g_windowExists) return false;
    if (accelerated ? !g_acceleratedAvailable : !g_softwareAvailable) return false;
    g_rendererUp = true;
    g_rendererAccelerated = accelerated;
    return true;
}

void BackendResetRenderer(bool) {}

void BackendPresent(const Picture& picture, bool changed) {
    g_lastPicture = &picture;
    g_lastChanged = changed;
    ++g_presents;
    if (g_presentHook) g_presentHook(g_presents);
}

void BackendDestroyRenderer() {
    g_rendererUp = false;
    g_lastPicture = nullptr;
}

void BackendRecordDraw(const IDirect3DTexture8* texture, const RasterVertex* v, int count) {
    headless::DrawRecord r;
    r.frame = g_presents;
    r.texture = texture;
    r.count = count;
    for (int i = 0; i < 4; ++i) r.v[i] = i < count ? v[i] : RasterVertex{};
    g_draws.push_back(r);
}

DWORD timeGetTime() { return g_clock; }

// The game seeds its random numbers from the calendar clock at each stage
// start. Under test that clock follows the scripted one, so that a run
// repeats exactly, enemies and all.
time_t time(time_t* out) noexcept {
    const time_t now = (time_t)1700000000 + (time_t)(g_clock / 1000);
    if (out) *out = now;
    return now;
}

void Sleep(DWORD milliseconds) {
    g_clock += milliseconds;
    ++g_sleeps;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT) {
    g_boxes.push_back({text ? text : "", caption ? caption : "", owner});
    return IDOK;
}

void OutputDebugStringA(LPCSTR text) {
    if (text) g_debug += text;
}
