#include "platform/d3dx_texture.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/common/file_read.h"
#include "platform/common/raster.h"
#include "platform/common/texture_object.h"
#include "platform/image/image_decode.h"

namespace {

// Twice the texels of the largest picture a texture takes: room for any
// container of it, and a file of junk still costs no more than that to read.
constexpr off_t kMaxFileBytes = (off_t)kMaxImageSide * kMaxImageSide * 4 * 2;

// Every stage start reloads the same pictures: decoded ones are kept, keyed by
// the file's identity and by the conversion asked for, and a reload shares
// their texels. A changed file is decoded again.
struct CacheKey {
    FileIdentity file;
    D3DFORMAT format;
    D3DCOLOR colorKey;
    bool operator<(const CacheKey& o) const {
        if (!(file == o.file)) return file < o.file;
        return std::tie(format, colorKey) < std::tie(o.format, o.colorKey);
    }
};
struct CachedImage {
    int width = 0;
    int height = 0;
    std::shared_ptr<const std::vector<uint32_t>> texels;
    std::shared_ptr<const std::vector<uint16_t>> runs;
};
std::map<CacheKey, CachedImage> g_decoded;

std::vector<uint16_t> RunsOf(const DecodedImage& image) {
    std::vector<uint16_t> runs(TexelRunEntries(image.width, image.height));
    BuildTexelRuns(image.argb.data(), image.width, image.height, runs.data());
    return runs;
}

CachedImage Cached(DecodedImage& image, std::vector<uint16_t> runs) {
    return CachedImage{image.width, image.height, std::make_shared<const std::vector<uint32_t>>(std::move(image.argb)),
                       std::make_shared<const std::vector<uint16_t>>(std::move(runs))};
}
TextureDecodeCounts g_counts;

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
        found = g_decoded.emplace(key, Cached(image, RunsOf(image))).first;
        ++g_counts.byLoads;
    }
    const CachedImage& image = found->second;
    TextureObject* t = NewTextureObject(image.width, image.height, image.texels, image.runs);
    *texture = t;
    return S_OK;
}

}  // namespace

void PrefetchTextureFiles(const LPCSTR* srcFiles, const D3DFORMAT* formats, const D3DCOLOR* colorKeys, int count) {
    struct Work {
        const char* file;
        CacheKey key;
        DecodedImage image;
        std::vector<uint16_t> runs;
        bool ok = false;
    };
    std::vector<Work> work;
    for (int i = 0; i < count; ++i) {
        if (!srcFiles[i]) continue;
        CacheKey key{FileIdentity(), formats[i], formats[i] == D3DFMT_A1R5G5B5 ? colorKeys[i] : 0};
        if (!IdentifyFile(srcFiles[i], kMaxFileBytes, &key.file) || g_decoded.count(key)) continue;
        work.push_back(Work{srcFiles[i], key, DecodedImage(), {}, false});
    }
    if (work.empty()) return;

    // The cache is only read while the threads run; what they decode goes
    // into it afterwards, here.
    std::atomic<size_t> next{0};
    auto decode = [&] {
        for (size_t i; (i = next++) < work.size();) {
            Work& w = work[i];
            std::vector<uint8_t> bytes;
            if (!ReadWholeFile(w.file, kMaxFileBytes, &w.key.file, &bytes)) continue;
            if (!DecodeImage(bytes.data(), bytes.size(), w.image)) continue;
            if (w.key.format == D3DFMT_A1R5G5B5) ConvertToA1R5G5B5Keyed(w.image, w.key.colorKey);
            w.runs = RunsOf(w.image);
            w.ok = true;
        }
    };
    unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    size_t helpers = std::min<size_t>(std::min(cores, 8u) - 1, work.size() - 1);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < helpers; ++i) threads.emplace_back(decode);
    decode();
    for (std::thread& t : threads) t.join();
    for (Work& w : work) {
        if (w.ok && g_decoded.emplace(w.key, Cached(w.image, std::move(w.runs))).second) ++g_counts.byPrefetch;
    }
}

TextureDecodeCounts GetTextureDecodeCounts() { return g_counts; }

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* device, LPCSTR srcFile, IDirect3DTexture8** texture) {
    return Load(device, srcFile, D3DFMT_UNKNOWN, 0, texture);
}

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice8* device, LPCSTR srcFile, UINT, UINT, UINT, DWORD,
                                     D3DFORMAT format, D3DPOOL, DWORD, DWORD, D3DCOLOR colorKey, D3DXIMAGE_INFO*,
                                     PALETTEENTRY*, IDirect3DTexture8** texture) {
    return Load(device, srcFile, format, colorKey, texture);
}
