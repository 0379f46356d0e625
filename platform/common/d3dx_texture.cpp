#include "platform/d3dx_texture.h"

#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "platform/common/texture_object.h"
#include "platform/image/image_decode.h"

namespace {

// Larger than any picture the game could use, small enough never to exhaust memory.
constexpr long kMaxFileBytes = 256L * 1024 * 1024;

bool ReadWholeFile(const char* path, std::vector<uint8_t>& out) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(fopen(path, "rb"), fclose);
    if (!f) return false;
    if (fseek(f.get(), 0, SEEK_END) != 0) return false;
    long size = ftell(f.get());
    if (size < 0 || size > kMaxFileBytes || fseek(f.get(), 0, SEEK_SET) != 0) return false;
    out.resize((size_t)size);
    return size == 0 || fread(out.data(), 1, (size_t)size, f.get()) == (size_t)size;
}

// Every stage start reloads the same pictures: decoded ones are kept, keyed by
// the file's identity and modification time and by the conversion asked for,
// so a reload is a copy. A changed file is decoded again.
struct CacheKey {
    dev_t dev;
    ino_t ino;
    off_t size;
    long mtimeSec;
    long mtimeNsec;
    D3DFORMAT format;
    D3DCOLOR colorKey;
    bool operator<(const CacheKey& o) const {
        return std::tie(dev, ino, size, mtimeSec, mtimeNsec, format, colorKey) <
               std::tie(o.dev, o.ino, o.size, o.mtimeSec, o.mtimeNsec, o.format, o.colorKey);
    }
};
std::map<CacheKey, DecodedImage> g_decoded;

HRESULT Load(IDirect3DDevice8* device, LPCSTR srcFile, D3DFORMAT format, D3DCOLOR colorKey,
             IDirect3DTexture8** texture) {
    if (!texture) return E_FAIL;
    *texture = nullptr;
    if (!device || !srcFile) return E_FAIL;
    struct stat st;
    if (stat(srcFile, &st) != 0 || !S_ISREG(st.st_mode)) return E_FAIL;
    if (format != D3DFMT_A1R5G5B5) colorKey = 0;
    CacheKey key{st.st_dev, st.st_ino, st.st_size, (long)st.st_mtim.tv_sec, st.st_mtim.tv_nsec, format, colorKey};
    auto found = g_decoded.find(key);
    if (found == g_decoded.end()) {
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(srcFile, bytes)) return E_FAIL;
        DecodedImage image;
        std::string why;
        if (!DecodeImage(bytes.data(), bytes.size(), image, &why)) {
            fprintf(stderr, "%s: %s\n", srcFile, why.c_str());
            return E_FAIL;
        }
        if (format == D3DFMT_A1R5G5B5) ConvertToA1R5G5B5Keyed(image, colorKey);
        found = g_decoded.emplace(key, std::move(image)).first;
    }
    const DecodedImage& image = found->second;
    TextureObject* t = NewTextureObject(image.width, image.height);
    t->argb = image.argb;
    *texture = t;
    return S_OK;
}

}  // namespace

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* device, LPCSTR srcFile, IDirect3DTexture8** texture) {
    return Load(device, srcFile, D3DFMT_UNKNOWN, 0, texture);
}

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice8* device, LPCSTR srcFile, UINT, UINT, UINT, DWORD,
                                     D3DFORMAT format, D3DPOOL, DWORD, DWORD, D3DCOLOR colorKey, D3DXIMAGE_INFO*,
                                     PALETTEENTRY*, IDirect3DTexture8** texture) {
    return Load(device, srcFile, format, colorKey, texture);
}
