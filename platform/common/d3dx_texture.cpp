#include "platform/d3dx_texture.h"

#include <cstdio>
#include <memory>
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

HRESULT Load(IDirect3DDevice8* device, LPCSTR srcFile, D3DFORMAT format, D3DCOLOR colorKey,
             IDirect3DTexture8** texture) {
    if (!texture) return E_FAIL;
    *texture = nullptr;
    if (!device || !srcFile) return E_FAIL;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(srcFile, bytes)) return E_FAIL;
    DecodedImage image;
    std::string why;
    if (!DecodeImage(bytes.data(), bytes.size(), image, &why)) {
        fprintf(stderr, "%s: %s\n", srcFile, why.c_str());
        return E_FAIL;
    }
    if (format == D3DFMT_A1R5G5B5) ConvertToA1R5G5B5Keyed(image, colorKey);
    TextureObject* t = NewTextureObject(image.width, image.height);
    t->argb.swap(image.argb);
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
