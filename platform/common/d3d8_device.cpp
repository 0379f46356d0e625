// The Direct3D 8 objects the game uses, drawn by the software rasteriser into
// the 640x480 picture and handed to the platform backend once per frame.
#include <cstring>
#include <memory>

#include "platform/common/backend.h"
#include "platform/common/texture_object.h"
#include "platform/d3d8.h"

namespace {

int g_liveTextures = 0;
uint64_t g_textureSerial = 0;

// What was drawn since the picture was last cleared, folded into one number:
// a frame that folds to the number of the picture on screen drew the same
// picture, and need not be shown again.
uint64_t Fold(uint64_t h, uint64_t word) {
    h = (h ^ word) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 29);
}

uint64_t FoldBytes(uint64_t h, const void* data, size_t bytes) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (; bytes >= 8; bytes -= 8, p += 8) {
        uint64_t w;
        memcpy(&w, p, 8);
        h = Fold(h, w);
    }
    uint64_t rest = 0;
    memcpy(&rest, p, bytes);
    return Fold(h, rest ^ bytes);
}

struct D3DObject : IDirect3D8 {
    ULONG refs = 1;
};

// Draws are kept until the frame is presented: a frame that draws the
// picture already on screen then costs no rasterising at all.
struct PendingDraw {
    TextureObject* texture;
    RasterState state;
    int first;
    int count;
};
constexpr int kMaxPendingDraws = 1024;
constexpr int kMaxPendingVertices = 8192;

struct DeviceObject : IDirect3DDevice8 {
    ULONG refs = 1;
    D3DPRESENT_PARAMETERS params = {};
    std::unique_ptr<Picture> picture{new Picture()};
    DWORD renderStates[256] = {};
    DWORD stageStates[32] = {};
    TextureObject* texture = nullptr;
    bool inScene = false;
    // Whether this frame's picture can differ from the one presented last.
    uint64_t pictureKey = 0;
    uint64_t shownKey = 0;
    bool shown = false;
    // Drawing not yet in the picture; touched once the picture has left
    // the one on screen.
    bool clearPending = false;
    D3DCOLOR pendingClear = 0;
    PendingDraw draws[kMaxPendingDraws];
    RasterVertex vertices[kMaxPendingVertices];
    int drawCount = 0;
    int vertexCount = 0;
    bool touched = false;
};

DeviceObject* g_device = nullptr;

DeviceObject* Self(IDirect3DDevice8* d) { return static_cast<DeviceObject*>(d); }
TextureObject* Self(IDirect3DTexture8* t) { return static_cast<TextureObject*>(t); }

RasterTexture RasterTextureOf(const TextureObject* t) {
    RasterTexture tex;
    if (t) {
        tex.width = t->width;
        tex.height = t->height;
        tex.argb = t->argb;
        tex.runs = t->runs ? t->runs->data() : nullptr;
    }
    return tex;
}

void Flush(DeviceObject& d) {
    if (d.clearPending) {
        // A stage's background covers the whole picture: clearing under it
        // first would only write every pixel twice.
        const PendingDraw* first = d.drawCount > 0 ? &d.draws[0] : nullptr;
        RasterTexture tex = first ? RasterTextureOf(first->texture) : RasterTexture();
        if (!first || !RasterFanCoversPicture(first->texture ? &tex : nullptr, first->state, d.vertices + first->first,
                                              first->count))
            RasterClear(*d.picture, d.pendingClear);
    }
    for (int i = 0; i < d.drawCount; ++i) {
        const PendingDraw& draw = d.draws[i];
        RasterTexture tex = RasterTextureOf(draw.texture);
        RasterFan(*d.picture, draw.texture ? &tex : nullptr, draw.state, d.vertices + draw.first, draw.count);
    }
    d.touched = d.touched || d.clearPending || d.drawCount > 0;
    d.clearPending = false;
    d.drawCount = 0;
    d.vertexCount = 0;
}

bool Pending(const DeviceObject& d, const TextureObject* t) {
    for (int i = 0; i < d.drawCount; ++i)
        if (d.draws[i].texture == t) return true;
    return false;
}

void SetDefaultStates(DeviceObject& d) {
    for (DWORD& s : d.renderStates) s = 0;
    for (DWORD& s : d.stageStates) s = 0;
    d.renderStates[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    d.renderStates[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    d.renderStates[D3DRS_CULLMODE] = 3;  // counter-clockwise triangles are culled
    d.renderStates[D3DRS_ALPHABLENDENABLE] = FALSE;
    d.stageStates[D3DTSS_COLOROP] = D3DTOP_MODULATE;
    d.stageStates[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    d.stageStates[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    d.stageStates[D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
    d.stageStates[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    d.stageStates[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    d.stageStates[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
    d.stageStates[D3DTSS_MINFILTER] = D3DTEXF_POINT;
}

}  // namespace

TextureObject* NewTextureObject(int width, int height, std::shared_ptr<const std::vector<uint32_t>> texels,
                                std::shared_ptr<const std::vector<uint16_t>> runs) {
    TextureObject* t = new TextureObject();
    t->width = width;
    t->height = height;
    t->serial = ++g_textureSerial;
    t->texels = std::move(texels);
    t->argb = t->texels->data();
    if (runs && runs->size() == TexelRunEntries(width, height)) t->runs = std::move(runs);
    ++g_liveTextures;
    return t;
}

int LiveTextureCount() { return g_liveTextures; }

ULONG IDirect3DTexture8::AddRef() { return ++Self(this)->refs; }

ULONG IDirect3DTexture8::Release() {
    TextureObject* t = Self(this);
    ULONG left = --t->refs;
    if (left == 0) {
        if (g_device && g_device->texture == t) g_device->texture = nullptr;
        if (g_device && Pending(*g_device, t)) Flush(*g_device);  // its texels are about to go
        --g_liveTextures;
        delete t;
    }
    return left;
}

IDirect3D8* Direct3DCreate8(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION) return nullptr;
    return new D3DObject();
}

HRESULT IDirect3D8::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    if (adapter != D3DADAPTER_DEFAULT || !mode) return E_FAIL;
    int w = 0, h = 0;
    BackendDesktopSize(&w, &h);
    mode->Width = (UINT)w;
    mode->Height = (UINT)h;
    mode->RefreshRate = 60;
    mode->Format = D3DFMT_X8R8G8B8;
    return S_OK;
}

HRESULT IDirect3D8::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND, DWORD, D3DPRESENT_PARAMETERS* params,
                                 IDirect3DDevice8** device) {
    if (!device) return E_FAIL;
    *device = nullptr;
    if (adapter != D3DADAPTER_DEFAULT || !params || g_device) return E_FAIL;
    if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF) return E_FAIL;
    if (!BackendCreateRenderer(type == D3DDEVTYPE_HAL)) return E_FAIL;
    DeviceObject* d = new DeviceObject();
    d->params = *params;
    SetDefaultStates(*d);
    RasterClear(*d->picture, 0xFF000000u);
    BackendResetRenderer(params->Windowed != 0);
    g_device = d;
    *device = d;
    return S_OK;
}

ULONG IDirect3D8::Release() {
    D3DObject* o = static_cast<D3DObject*>(this);
    ULONG left = --o->refs;
    if (left == 0) delete o;
    return left;
}

HRESULT IDirect3DDevice8::Reset(D3DPRESENT_PARAMETERS* params) {
    DeviceObject* d = Self(this);
    if (!params) return E_FAIL;
    d->params = *params;
    SetDefaultStates(*d);
    d->texture = nullptr;
    d->shown = false;  // the window may have changed: show the picture again
    BackendResetRenderer(params->Windowed != 0);
    return S_OK;
}

HRESULT IDirect3DDevice8::Present(const RECT*, const RECT*, HWND, const void*) {
    DeviceObject* d = Self(this);
    bool changed = !d->shown || d->pictureKey != d->shownKey;
    if (changed || d->touched) {
        Flush(*d);
    } else {
        d->clearPending = false;  // the picture holds this frame already
        d->drawCount = 0;
        d->vertexCount = 0;
    }
    d->touched = false;
    BackendPresent(*d->picture, changed);
    d->shown = true;
    d->shownKey = d->pictureKey;
    return S_OK;
}

HRESULT IDirect3DDevice8::BeginScene() {
    DeviceObject* d = Self(this);
    if (d->inScene) return E_FAIL;
    d->inScene = true;
    return S_OK;
}

HRESULT IDirect3DDevice8::EndScene() {
    DeviceObject* d = Self(this);
    if (!d->inScene) return E_FAIL;
    d->inScene = false;
    return S_OK;
}

HRESULT IDirect3DDevice8::Clear(DWORD, const D3DRECT*, DWORD flags, D3DCOLOR color, float, DWORD) {
    DeviceObject* d = Self(this);
    if (flags & D3DCLEAR_TARGET) {
        d->clearPending = true;
        d->pendingClear = color | 0xFF000000u;
        d->drawCount = 0;
        d->vertexCount = 0;
        d->pictureKey = Fold(0x436C656172ull, color | 0xFF000000u);
    }
    return S_OK;
}

HRESULT IDirect3DDevice8::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if ((DWORD)state >= 256) return E_FAIL;
    Self(this)->renderStates[state] = value;
    return S_OK;
}

HRESULT IDirect3DDevice8::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage != 0 || (DWORD)type >= 32) return stage < 8 ? S_OK : E_FAIL;
    Self(this)->stageStates[type] = value;
    return S_OK;
}

HRESULT IDirect3DDevice8::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
    if (stage >= 8) return E_FAIL;
    if (stage == 0) Self(this)->texture = texture ? Self(texture) : nullptr;
    return S_OK;
}

HRESULT IDirect3DDevice8::SetVertexShader(DWORD) { return S_OK; }

HRESULT IDirect3DDevice8::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertexData,
                                          UINT stride) {
    DeviceObject* d = Self(this);
    constexpr UINT kMaxVertices = 64;
    if (!d->inScene || type != D3DPT_TRIANGLEFAN || !vertexData || stride < 28 || primitiveCount == 0 ||
        primitiveCount + 2 > kMaxVertices)
        return E_FAIL;

    const bool modulateColor = d->stageStates[D3DTSS_COLOROP] == D3DTOP_MODULATE;
    const bool modulateAlpha = d->stageStates[D3DTSS_ALPHAOP] == D3DTOP_MODULATE;
    RasterVertex v[kMaxVertices];
    const int n = (int)primitiveCount + 2;
    const unsigned char* p = static_cast<const unsigned char*>(vertexData);
    for (int i = 0; i < n; ++i, p += stride) {
        float f[7];
        memcpy(f, p, sizeof f);
        DWORD color;
        memcpy(&color, p + 16, sizeof color);
        if (!modulateColor) color |= 0x00FFFFFFu;
        if (!modulateAlpha) color |= 0xFF000000u;
        v[i] = {f[0], f[1], color, f[5], f[6]};
    }

    RasterState st;
    const DWORD src = d->renderStates[D3DRS_SRCBLEND], dst = d->renderStates[D3DRS_DESTBLEND];
    st.blend = d->renderStates[D3DRS_ALPHABLENDENABLE] && src == D3DBLEND_SRCALPHA && dst == D3DBLEND_INVSRCALPHA;
    st.linearMag = d->stageStates[D3DTSS_MAGFILTER] == D3DTEXF_LINEAR;
    st.cullCcw = d->renderStates[D3DRS_CULLMODE] == 3;
    if (d->drawCount == kMaxPendingDraws || d->vertexCount + n > kMaxPendingVertices) Flush(*d);
    d->draws[d->drawCount++] = {d->texture, st, d->vertexCount, n};
    memcpy(d->vertices + d->vertexCount, v, sizeof(RasterVertex) * (size_t)n);
    d->vertexCount += n;
    uint64_t key = Fold(d->pictureKey, d->texture ? d->texture->serial : 0);
    key = Fold(key, (uint64_t)st.blend | (uint64_t)st.linearMag << 1 | (uint64_t)st.cullCcw << 2);
    d->pictureKey = FoldBytes(key, v, sizeof(RasterVertex) * (size_t)n);
    BackendRecordDraw(d->texture, v, n);
    return S_OK;
}

ULONG IDirect3DDevice8::Release() {
    DeviceObject* d = Self(this);
    ULONG left = --d->refs;
    if (left == 0) {
        if (g_device == d) g_device = nullptr;
        BackendDestroyRenderer();
        delete d;
    }
    return left;
}
