#include "platform/d3dx_texture.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/common/file_read.h"
#include "platform/common/raster.h"
#include "platform/common/texture_object.h"
#include "platform/common/worker_gate.h"
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

std::vector<uint16_t> RunsOf(const DecodedImage& image) {
    std::vector<uint16_t> runs(TexelRunEntries(image.width, image.height));
    BuildTexelRuns(image.argb.data(), image.width, image.height, runs.data());
    return runs;
}

// Kept with its runs, worked out where it is decoded (on a worker, for a
// prefetched file).
CachedImage Cached(DecodedImage& image) {
    auto runs = std::make_shared<const std::vector<uint16_t>>(RunsOf(image));
    return CachedImage{image.width, image.height, std::make_shared<const std::vector<uint32_t>>(std::move(image.argb)),
                       std::move(runs)};
}

// A file asked for ahead of its load.
struct Job {
    std::string file;
    CacheKey key;
};

// Reads and decodes one file as its load would; false when it cannot be used
// (the load then reads it again and says why).
bool Decode(const char* file, CacheKey* key, DecodedImage* image, std::string* why) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(file, kMaxFileBytes, &key->file, &bytes, why)) return false;
    worker_gate::Checkpoint();
    if (!DecodeImage(bytes.data(), bytes.size(), *image, why)) {
        if (why) *why = "not a picture we can use: " + *why;
        return false;
    }
    worker_gate::Checkpoint();
    if (key->format == D3DFMT_A1R5G5B5) ConvertToA1R5G5B5Keyed(*image, key->colorKey);
    worker_gate::Checkpoint();
    return true;
}

// Decode's picture, kept with its runs. Memory that cannot be had fails this
// file alone.
bool DecodeCached(const char* file, CacheKey* key, CachedImage* cached, std::string* why) {
    try {
        DecodedImage image;
        if (!Decode(file, key, &image, why)) return false;
        *cached = Cached(image);
        return true;
    } catch (const std::bad_alloc&) {
        if (why) *why = "not enough memory to decode it";
        return false;
    }
}

// The decoded pictures, and the prefetched files still waiting or being
// decoded. Worker threads take the waiting ones in the order they were asked
// for; a load that needs one still waiting takes it itself, and one that
// needs one being decoded waits for it, so the loads see what they would
// have seen without any of this.
class Decoder {
public:
    Decoder() { SetDecodePause(worker_gate::Checkpoint); }

    ~Decoder() {
        worker_gate::LiftHolds();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            waiting_.clear();
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

    // Adds the files not decoded, waiting or being decoded already.
    void Ask(std::vector<Job>& jobs) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (Job& job : jobs) {
            if (decoded_.count(job.key) || busy_.count(job.key) || IsWaiting(job.key)) continue;
            waiting_.push_back(std::move(job));
        }
        unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        // Leave a core to the game's own thread.
        size_t most = std::max(1u, std::min(cores, 8u) - 1);
        // Where no worker can be started, the loads decode what is left waiting.
        while (threads_.size() - ended_.size() < std::min(most, busy_.size() + waiting_.size()) &&
               worker_gate::Start(threads_, ended_, [this] { Work(); })) {
        }
        wake_.notify_all();
    }

    // The decoded picture for key, if there is one by the time no prefetch
    // of it is left outstanding.
    bool Find(const CacheKey& key, CachedImage* image) {
        std::unique_lock<std::mutex> lock(mutex_);
        for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
            if (it->key < key || key < it->key) continue;
            // Nobody has started it: this thread decodes it now rather than wait.
            Job job = std::move(*it);
            waiting_.erase(it);
            busy_.insert(job.key);
            lock.unlock();
            Finish(job);
            lock.lock();
            break;
        }
        done_.wait(lock, [&] { return busy_.count(key) == 0; });
        auto found = decoded_.find(key);
        if (found == decoded_.end()) return false;
        *image = found->second;
        return true;
    }

    // A picture the load decoded itself.
    void Keep(const CacheKey& key, const CachedImage& image) {
        std::lock_guard<std::mutex> lock(mutex_);
        decoded_.emplace(key, image);
        ++counts_.byLoads;
    }

    bool Known(const CacheKey& key) {
        std::lock_guard<std::mutex> lock(mutex_);
        return decoded_.count(key) || busy_.count(key) || IsWaiting(key);
    }

    bool WaitIdle(int maxMs) {
        std::unique_lock<std::mutex> lock(mutex_);
        return done_.wait_for(lock, std::chrono::milliseconds(maxMs),
                              [&] { return waiting_.empty() && busy_.empty(); });
    }

    TextureDecodeCounts Counts() {
        std::lock_guard<std::mutex> lock(mutex_);
        return counts_;
    }

    int Workers() {
        std::lock_guard<std::mutex> lock(mutex_);
        return (int)(threads_.size() - ended_.size());
    }

private:
    bool IsWaiting(const CacheKey& key) const {
        for (const Job& job : waiting_)
            if (!(job.key < key) && !(key < job.key)) return true;
        return false;
    }

    void Work() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            bool work = wake_.wait_for(lock, worker_gate::kIdleEnd, [&] { return stopping_ || !waiting_.empty(); });
            if (stopping_) return;
            if (!work) {
                // What the decodes freed would otherwise stay with the
                // process, in the worker's own heap.
                lock.unlock();
                worker_gate::Enter();
                worker_gate::TrimHeap();
                worker_gate::Leave();
                lock.lock();
                // Still counted as running: work that came meanwhile is ours.
                if (stopping_) return;
                if (waiting_.empty()) break;
                continue;
            }
            Job job = std::move(waiting_.front());
            waiting_.pop_front();
            busy_.insert(job.key);
            lock.unlock();
            worker_gate::Enter();
            Finish(job);
            worker_gate::Leave();
            lock.lock();
        }
        ended_.push_back(std::this_thread::get_id());
    }

    // Decodes outside the lock, then files the result and wakes the loads.
    void Finish(Job& job) {
        // The identity read now is the one the texels belong to; a file
        // changed since it was asked for is kept under its new identity.
        const CacheKey asked = job.key;
        CachedImage cached;
        bool ok = DecodeCached(job.file.c_str(), &job.key, &cached, nullptr);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (ok && decoded_.emplace(job.key, std::move(cached)).second) ++counts_.byPrefetch;
            busy_.erase(asked);
        }
        done_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable wake_;  // work waiting, or stop
    std::condition_variable done_;  // a decode finished
    std::map<CacheKey, CachedImage> decoded_;
    std::deque<Job> waiting_;
    std::set<CacheKey> busy_;
    std::vector<std::thread> threads_;
    std::vector<std::thread::id> ended_;  // workers that ended, still to join
    TextureDecodeCounts counts_;
    bool stopping_ = false;
};

Decoder& TheDecoder() {
    static Decoder decoder;
    return decoder;
}

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
    CachedImage image;
    if (!TheDecoder().Find(key, &image)) {
        if (!DecodeCached(srcFile, &key, &image, &why)) {
            ReportLoadFailure(srcFile, why);
            return E_FAIL;
        }
        TheDecoder().Keep(key, image);
    }
    *texture = NewTextureObject(image.width, image.height, image.texels, image.runs);
    return S_OK;
}

}  // namespace

void PrefetchTextureFiles(const LPCSTR* srcFiles, const D3DFORMAT* formats, const D3DCOLOR* colorKeys, int count) {
    std::vector<Job> jobs;
    for (int i = 0; i < count; ++i) {
        if (!srcFiles[i]) continue;
        CacheKey key{FileIdentity(), formats[i], formats[i] == D3DFMT_A1R5G5B5 ? colorKeys[i] : 0};
        if (!IdentifyFile(srcFiles[i], kMaxFileBytes, &key.file) || TheDecoder().Known(key)) continue;
        jobs.push_back(Job{srcFiles[i], key});
    }
    if (!jobs.empty()) TheDecoder().Ask(jobs);
}

TextureDecodeCounts GetTextureDecodeCounts() { return TheDecoder().Counts(); }

bool WaitForTextureDecodes(int maxMs) { return TheDecoder().WaitIdle(maxMs); }

int TextureDecodeWorkers() { return TheDecoder().Workers(); }

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* device, LPCSTR srcFile, IDirect3DTexture8** texture) {
    return Load(device, srcFile, D3DFMT_UNKNOWN, 0, texture);
}

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice8* device, LPCSTR srcFile, UINT, UINT, UINT, DWORD,
                                     D3DFORMAT format, D3DPOOL, DWORD, DWORD, D3DCOLOR colorKey, D3DXIMAGE_INFO*,
                                     PALETTEENTRY*, IDirect3DTexture8** texture) {
    return Load(device, srcFile, format, colorKey, texture);
}
