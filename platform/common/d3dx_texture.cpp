#include "platform/d3dx_texture.h"

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/common/file_read.h"
#include "platform/common/texture_object.h"
#include "platform/image/image_decode.h"

namespace {

// Twice the texels of the largest picture a texture takes: room for any
// container of it, and a file of junk still costs no more than that to read.
constexpr off_t kMaxFileBytes = (off_t)kMaxImageSide * kMaxImageSide * 4 * 2;

// Every stage start reloads the same pictures: decoded ones are kept, keyed by
// the file's identity and by the conversion asked for, so a reload is a copy.
// A changed file is decoded again.
struct CacheKey {
    FileIdentity file;
    D3DFORMAT format;
    D3DCOLOR colorKey;
    bool operator<(const CacheKey& o) const {
        if (!(file == o.file)) return file < o.file;
        return std::tie(format, colorKey) < std::tie(o.format, o.colorKey);
    }
};
std::map<CacheKey, DecodedImage> g_decoded;

HRESULT Load(IDirect3DDevice8* device, LPCSTR srcFile, D3DFORMAT format, D3DCOLOR colorKey,
             IDirect3DTexture8** texture) {
    if (!texture) return E_FAIL;
    *texture = nullptr;
    if (!device || !srcFile) return E_FAIL;
    if (format != D3DFMT_A1R5G5B5) colorKey = 0;
    CacheKey key{FileIdentity(), format, colorKey};
    std::string why;
    if (!IdentifyFile(srcFile, kMaxFileBytes, &key.file, &why)) {
        ReportLoadFailure(srcFile, why);
        return E_FAIL;
    }
    auto found = g_decoded.find(key);
    if (found == g_decoded.end()) {
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(srcFile, kMaxFileBytes, &key.file, &bytes, &why)) {
            ReportLoadFailure(srcFile, why);
            return E_FAIL;
        }
        DecodedImage image;
        if (!DecodeImage(bytes.data(), bytes.size(), image, &why)) {
            ReportLoadFailure(srcFile, "not a picture we can use: " + why);
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
