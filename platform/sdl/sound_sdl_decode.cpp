// Segment files to PCM in the mixer's format. MIDI is rendered with
// FluidSynth into a sample buffer rather than streamed through SDL2_mixer's
// music player: the mixer plays only one music stream at a time, and many of
// the game's effects are MIDI too, so everything becomes a plain sample
// buffer that any channel can play, loop without a gap and overlap with
// itself. The rendering runs on worker threads, so a load takes no longer
// than reading and checking the file, and a song can start playing while
// the rest of it is still being rendered (far faster than it plays).
#include "platform/sdl/sound_sdl.h"
#include "platform/common/worker_gate.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <fluidsynth.h>
#include <unistd.h>

#include <condition_variable>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace sound_sdl {

namespace {

// Released notes ring out after the song's end for at most this long.
constexpr int kMaxTailFrames = 2 * kRate;
// A render block at or below this peak counts as silence.
constexpr int kSilence = 8;
constexpr int kBlockFrames = 512;
// A play that comes before its render waits for this much of the start,
// a few of the mixer's buffers; the render then stays ahead by itself.
constexpr size_t kLeadFrames = kRate / 10;
constexpr int kMaxLeadWaitMs = 250;

const char* const kStandardSoundFonts[] = {
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
};

std::string g_soundFontOverride;
bool g_useOverride = false;

uint32_t Le32(const uint8_t* p) {
    return (uint32_t)p[3] << 24 | (uint32_t)p[2] << 16 | (uint32_t)p[1] << 8 | p[0];
}

DecodeResult FromScan(sound_scan::ScanResult result) {
    switch (result) {
    case sound_scan::ScanResult::Ok: return DecodeResult::Ok;
    case sound_scan::ScanResult::Unrecognised: return DecodeResult::Unrecognised;
    case sound_scan::ScanResult::TooLarge: return DecodeResult::TooLarge;
    default: return DecodeResult::Corrupt;
    }
}

DecodeResult CheckWaveClaims(const uint8_t* data, size_t size) {
    return FromScan(sound_scan::CheckWaveClaims(data, size));
}

DecodeResult CheckOggClaims(const uint8_t* data, size_t size) {
    return FromScan(sound_scan::CheckOggClaims(data, size));
}

}  // namespace

namespace {

void QuietLog(int, const char*, void*) {}

// The SoundFont the next synthesizer loads, or "" when there is none.
std::string SoundFontPath() {
    if (g_useOverride) return access(g_soundFontOverride.c_str(), R_OK) == 0 ? g_soundFontOverride : "";
    for (const char* candidate : kStandardSoundFonts) {
        if (access(candidate, R_OK) == 0) return candidate;
    }
    return "";
}

// FluidSynth shares the SoundFont's samples between synthesizers: one that
// loads the font while another is deleted can crash. Making and deleting
// them take turns.
std::mutex& SynthLifeLock() {
    static std::mutex lock;
    return lock;
}

// One synthesizer per worker: a FluidSynth synthesizer renders one song at
// a time.
struct Synth {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    ~Synth() {
        std::lock_guard<std::mutex> life(SynthLifeLock());
        Clear();
    }
    // Open and Clear are called with SynthLifeLock held.
    void Clear() {
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
        synth = nullptr;
        settings = nullptr;
    }
    bool Open(const std::string& path) {
        if (synth) return true;
        if (path.empty()) return false;
        settings = new_fluid_settings();
        if (!settings) return false;
        fluid_settings_setnum(settings, "synth.sample-rate", kRate);
        // The player follows the samples we render, not the wall clock.
        fluid_settings_setstr(settings, "player.timing-source", "sample");
        fluid_settings_setint(settings, "synth.lock-memory", 0);
        // Only the instruments a song uses are read from the (large) SoundFont.
        fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
        // A dry stereo mix, as the game's audio paths have no effects.
        fluid_settings_setint(settings, "synth.reverb.active", 0);
        fluid_settings_setint(settings, "synth.chorus.active", 0);
        fluid_settings_setnum(settings, "synth.gain", 0.5);
        // The workers are the threads; FluidSynth needs none of its own.
        fluid_settings_setint(settings, "synth.cpu-cores", 1);
        synth = new_fluid_synth(settings);
        if (!synth || fluid_synth_sfload(synth, path.c_str(), 1) == FLUID_FAILED) {
            Clear();
            return false;
        }
        return true;
    }
};

int Peak(const int16_t* samples, size_t count) {
    int peak = 0;
    for (size_t i = 0; i < count; ++i) peak = std::max(peak, std::abs((int)samples[i]));
    return peak;
}

struct FreeWav {
    void operator()(Uint8* p) const { SDL_FreeWAV(p); }
};
struct FreeStream {
    void operator()(SDL_AudioStream* p) const { SDL_FreeAudioStream(p); }
};

struct RenderJob {
    DecodedSound* sound;
    std::vector<uint8_t> midi;  // a song to render, or
    size_t songFrames;
    std::unique_ptr<Uint8, FreeWav> samples;  // a WAVE's samples to convert
    Uint32 sampleBytes;
    Uint32 pieceBytes;                               // whole frames
    std::unique_ptr<SDL_AudioStream, FreeStream> stream;  // made by the load: SDL sets up its converters there
    int heldTempo = 0;  // microseconds a beat that override the song's own; 0 for none
};

// A WAVE's samples go through the converter this many frames at a time, so
// that a worker never holds the converter for long.
constexpr Uint32 kConvertFrames = 4096;

enum class Verdict { Unknown, Usable, Unusable };

// The worker threads and the renders and conversions waiting for them.
// Workers start as work comes and end when there has been none for a while.
class RenderPool {
public:
    ~RenderPool() {
        worker_gate::LiftHolds();
        Stop();
    }

    // False when a song cannot be rendered: no SoundFont, or one FluidSynth
    // refused. Waits (unless told not to) until a worker has tried to load it,
    // or tries itself where no worker can be started.
    bool FontUsable(bool wait) {
        std::unique_lock<std::mutex> lock(mutex_);
        ChooseFont();
        if (verdict_ == Verdict::Unknown && !wait) return true;
        if (verdict_ == Verdict::Unknown && Live() == 0 && !Spawn()) OpenSynth(callerSynth_, lock, false);
        ready_.wait(lock, [&] { return verdict_ != Verdict::Unknown; });
        return verdict_ == Verdict::Usable;
    }

    void Add(RenderJob job) {
        std::unique_lock<std::mutex> lock(mutex_);
        ChooseFont();
        queue_.push_back(std::move(job));
        // Another worker when every one is busy: sounds loaded together (the
        // stage start's set) render side by side.
        const size_t live = Live();
        if (busy_.size() + queue_.size() > live && (int)live < MaxThreads()) Spawn();
        if (Live() > 0) {
            wake_.notify_one();
            return;
        }
        // No worker, and none can be started: the sound is rendered here, and
        // its load takes that much longer.
        RenderJob mine = std::move(queue_.back());
        queue_.pop_back();
        Run(mine, callerSynth_, lock, false);
    }

    // See PrepareToPlay.
    void Prepare(const DecodedSound* sound) {
        std::unique_lock<std::mutex> lock(mutex_);
        for (auto it = queue_.begin(); it != queue_.end(); ++it) {
            if (it->sound != sound) continue;
            RenderJob job = std::move(*it);
            queue_.erase(it);
            queue_.push_front(std::move(job));
            // Every worker busy with a long song: one more, for this sound.
            if (idle_ == 0) Spawn();
            wake_.notify_one();
            break;
        }
        // Normally a millisecond. On a machine too busy to render that fast
        // the frame waits with its sound, so the two stay together and the
        // sound does not start on silence; the bound keeps a starved render
        // from holding the game up for long.
        progress_.wait_for(lock, std::chrono::milliseconds(kMaxLeadWaitMs), [&] {
            return sound->finished.load() || sound->ready.load() >= (uint32_t)(kLeadFrames * kBytesPerFrame);
        });
    }

    // Takes the sound's render off the queue, or waits for the worker that
    // has it to let go of it.
    void Forget(DecodedSound* sound) {
        std::unique_lock<std::mutex> lock(mutex_);
        for (auto it = queue_.begin(); it != queue_.end(); ++it) {
            if (it->sound == sound) {
                queue_.erase(it);
                sound->failed = true;
                sound->finished = true;
                done_.notify_all();
                break;
            }
        }
        cancel_.push_back(sound);
        done_.wait(lock, [&] { return std::find(busy_.begin(), busy_.end(), sound) == busy_.end(); });
        cancel_.erase(std::find(cancel_.begin(), cancel_.end(), sound));
    }

    // Ends every worker; the next sound chooses the SoundFont afresh.
    void Stop() {
        std::vector<std::thread> threads;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            for (RenderJob& job : queue_) {
                job.sound->failed = true;
                job.sound->finished = true;
            }
            queue_.clear();
            threads.swap(threads_);
            wake_.notify_all();
            done_.notify_all();
        }
        for (std::thread& t : threads) t.join();
        {
            std::lock_guard<std::mutex> life(SynthLifeLock());
            callerSynth_.Clear();
        }
        std::lock_guard<std::mutex> lock(mutex_);
        ended_.clear();
        stopping_ = false;
        fontChosen_ = false;
    }

    void Wait(const DecodedSound* sound) {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [&] { return sound->finished.load(); });
    }

    bool WaitIdle(int maxMs) {
        std::unique_lock<std::mutex> lock(mutex_);
        return done_.wait_for(lock, std::chrono::milliseconds(maxMs),
                              [&] { return queue_.empty() && busy_.empty(); });
    }

    int Workers() {
        std::lock_guard<std::mutex> lock(mutex_);
        return (int)Live();
    }

    int SoundFontLoads() {
        std::lock_guard<std::mutex> lock(mutex_);
        return fontLoads_;
    }

private:
    static int MaxThreads() {
        // Leave a core to the game's own thread and the mixer.
        unsigned cores = std::thread::hardware_concurrency();
        return (int)std::clamp(cores > 2 ? cores - 2 : 1u, 1u, 4u);
    }

    void ChooseFont() {
        if (fontChosen_) return;
        font_ = SoundFontPath();
        verdict_ = font_.empty() ? Verdict::Unusable : Verdict::Unknown;
        fontChosen_ = true;
        // Our own checks come first, so FluidSynth's chatter is not for the player.
        fluid_set_log_function(FLUID_WARN, QuietLog, nullptr);
        fluid_set_log_function(FLUID_INFO, QuietLog, nullptr);
        fluid_set_log_function(FLUID_DBG, QuietLog, nullptr);
    }

    size_t Live() const { return threads_.size() - ended_.size(); }

    bool Spawn() { return worker_gate::Start(threads_, ended_, [this] { Work(); }); }

    // Loads the SoundFont into the synthesizer (once), outside the lock, and
    // files what that says about the font. onWorker: called by a worker,
    // which passes the gate; the game's thread never waits there.
    bool OpenSynth(Synth& synth, std::unique_lock<std::mutex>& lock, bool onWorker) {
        if (synth.synth) return true;
        const std::string path = font_;
        ++fontLoads_;
        lock.unlock();
        bool open;
        {
            // The turn is waited for outside the gate: a message box then
            // waits for one SoundFont load at most, not for every worker
            // queued behind it.
            std::lock_guard<std::mutex> life(SynthLifeLock());
            if (onWorker) worker_gate::Enter();
            open = synth.Open(path);
            if (onWorker) worker_gate::Leave();
        }
        lock.lock();
        if (verdict_ == Verdict::Unknown) {
            verdict_ = open ? Verdict::Usable : Verdict::Unusable;
            ready_.notify_all();
        }
        return open;
    }

    void Work() {
        Synth synth;
        std::unique_lock<std::mutex> lock(mutex_);
        // The first worker finds out whether the SoundFont loads; the others
        // load it when a song comes.
        if (verdict_ == Verdict::Unknown) OpenSynth(synth, lock, true);
        for (;;) {
            ++idle_;
            bool work = wake_.wait_for(lock, worker_gate::kIdleEnd, [&] { return stopping_ || !queue_.empty(); });
            --idle_;
            if (stopping_) break;
            if (!work) {
                lock.unlock();
                {
                    std::lock_guard<std::mutex> life(SynthLifeLock());
                    worker_gate::Enter();
                    synth.Clear();
                    // What the worker's synthesizer and renders freed would
                    // otherwise stay with the process, in the worker's own heap.
                    worker_gate::TrimHeap();
                    worker_gate::Leave();
                }
                lock.lock();
                // Still counted as running: work that came meanwhile is ours.
                if (stopping_ || queue_.empty()) break;
                continue;
            }
            RenderJob job = std::move(queue_.front());
            queue_.pop_front();
            Run(job, synth, lock, true);
        }
        ended_.push_back(std::this_thread::get_id());
    }

    // Renders or converts the job, taken off the queue, outside the lock.
    void Run(RenderJob& job, Synth& synth, std::unique_lock<std::mutex>& lock, bool onWorker) {
        busy_.push_back(job.sound);
        const bool song = !job.samples;
        const bool open = !song || OpenSynth(synth, lock, onWorker);
        lock.unlock();
        if (onWorker) worker_gate::Enter();
        bool whole = open && (song ? Render(synth.synth, job) : Convert(job));
        job.samples.reset();
        if (onWorker) worker_gate::Leave();
        lock.lock();
        if (!whole) job.sound->failed = true;
        job.sound->finished = true;
        busy_.erase(std::find(busy_.begin(), busy_.end(), job.sound));
        done_.notify_all();
        progress_.notify_all();
    }

    void Progress() {
        std::lock_guard<std::mutex> lock(mutex_);
        progress_.notify_all();
    }

    bool Cancelled(const DecodedSound* sound) {
        std::lock_guard<std::mutex> lock(mutex_);
        return stopping_ || std::find(cancel_.begin(), cancel_.end(), sound) != cancel_.end();
    }

    // Publishes how far the sound is ready, waking a play that waits for its
    // start up to the piece that passes it.
    void Publish(DecodedSound* out, size_t before, size_t bytes) {
        out->ready.store((uint32_t)bytes, std::memory_order_release);
        if (before <= kLeadFrames * kBytesPerFrame) Progress();
    }

    // Renders the song into its buffer block by block, publishing each.
    bool Render(fluid_synth_t* synth, RenderJob& job) {
        DecodedSound* out = job.sound;
        fluid_synth_system_reset(synth);
        fluid_player_t* player = new_fluid_player(synth);
        if (!player) return false;
        if (fluid_player_add_mem(player, job.midi.data(), job.midi.size()) != FLUID_OK ||
            (job.heldTempo && fluid_player_set_tempo(player, FLUID_PLAYER_TEMPO_EXTERNAL_MIDI, job.heldTempo) != FLUID_OK) ||
            fluid_player_play(player) != FLUID_OK) {
            delete_fluid_player(player);
            return false;
        }
        uint8_t* pcm = out->pcm.get();
        size_t frames = 0;
        bool whole = true;
        while (frames < job.songFrames) {
            worker_gate::Checkpoint();
            if ((frames / kBlockFrames) % 64 == 0 && Cancelled(out)) {
                whole = false;
                break;
            }
            int n = (int)std::min<size_t>(kBlockFrames, job.songFrames - frames);
            int16_t* block = reinterpret_cast<int16_t*>(pcm + frames * kBytesPerFrame);
            fluid_synth_write_s16(synth, n, block, 0, 2, block, 1, 2);
            frames += n;
            Publish(out, (frames - n) * kBytesPerFrame, frames * kBytesPerFrame);
        }
        // Let the notes still sounding at the end ring out for a single pass.
        fluid_player_stop(player);
        fluid_synth_all_notes_off(synth, -1);
        const size_t capacityFrames = out->capacity / kBytesPerFrame;
        while (whole && frames + kBlockFrames <= capacityFrames) {
            worker_gate::Checkpoint();
            int16_t* block = reinterpret_cast<int16_t*>(pcm + frames * kBytesPerFrame);
            fluid_synth_write_s16(synth, kBlockFrames, block, 0, 2, block, 1, 2);
            if (Peak(block, kBlockFrames * 2) <= kSilence) {
                memset(block, 0, kBlockFrames * kBytesPerFrame);  // the silence after the sound stays silent
                break;
            }
            frames += kBlockFrames;
            out->ready.store((uint32_t)(frames * kBytesPerFrame), std::memory_order_release);
        }
        delete_fluid_player(player);
        fluid_synth_system_reset(synth);
        return whole;
    }

    // Converts a WAVE's samples piece by piece into its buffer, which has
    // room for exactly the converted sound; what the converter gives beyond
    // it is dropped, and what it falls short stays silent.
    bool Convert(RenderJob& job) {
        DecodedSound* out = job.sound;
        SDL_AudioStream* stream = job.stream.get();
        const Uint32 piece = job.pieceBytes;
        uint8_t* pcm = out->pcm.get();
        Uint32 fed = 0, written = 0;
        bool ok = true;
        while (ok && written < out->capacity) {
            worker_gate::Checkpoint();
            if (Cancelled(out)) {
                ok = false;
                break;
            }
            const bool more = fed < job.sampleBytes;
            if (more) {
                Uint32 n = std::min(piece, job.sampleBytes - fed);
                ok = SDL_AudioStreamPut(stream, job.samples.get() + fed, (int)n) == 0;
                fed += n;
                if (ok && fed == job.sampleBytes) ok = SDL_AudioStreamFlush(stream) == 0;
            }
            int got = ok ? SDL_AudioStreamGet(stream, pcm + written, (int)(out->capacity - written)) : -1;
            if (got < 0) ok = false;
            if (!ok || (got == 0 && !more)) break;
            Publish(out, written, written + (Uint32)got);
            written += (Uint32)got;
        }
        job.stream.reset();
        if (ok) out->ready.store(out->capacity, std::memory_order_release);
        return ok;
    }

    std::mutex mutex_;
    std::condition_variable wake_;      // work waiting, or the pool stops
    std::condition_variable done_;      // a render ended
    std::condition_variable ready_;     // what the SoundFont is worth is known
    std::condition_variable progress_;  // a render's start has grown
    std::deque<RenderJob> queue_;
    std::vector<const DecodedSound*> busy_;
    std::vector<const DecodedSound*> cancel_;
    std::vector<std::thread> threads_;
    std::vector<std::thread::id> ended_;  // workers that ended, still to join
    size_t idle_ = 0;                     // workers waiting for work
    Synth callerSynth_;                   // renders on the caller's thread, where no worker can start
    int fontLoads_ = 0;                   // SoundFont loads begun, for tests
    bool fontChosen_ = false;
    std::string font_;
    Verdict verdict_ = Verdict::Unknown;
    bool stopping_ = false;
};

RenderPool& Pool() {
    static RenderPool pool;
    return pool;
}

// FluidSynth plays only songs timed in beats. A song timed in SMPTE frames
// is handed over with a beat of a second (a frame-rate's worth of frames)
// held through the song, as tempo events do not change such timing. Returns
// that beat in microseconds, or 0 for a song timed in beats.
int TimeSmpteSongInBeats(std::vector<uint8_t>* smf) {
    uint8_t* division = smf->data() + 12;
    if (!(division[0] & 0x80)) return 0;
    const int framesPerSecond = -(int8_t)division[0];
    const int ticksPerBeat = framesPerSecond * division[1];  // at most 128 * 255: within 15 bits
    division[0] = (uint8_t)(ticksPerBeat >> 8);
    division[1] = (uint8_t)ticksPerBeat;
    return framesPerSecond == 29 ? 1001001 : 1000000;  // 29 stands for 29.97 frames a second
}

DecodeResult RenderMidi(const uint8_t* data, size_t size, DecodedSound* out) {
    double seconds;
    if (!ScanMidiFile(data, size, &seconds)) return DecodeResult::Corrupt;
    // The whole song is held as PCM (10 MB a minute), and a corrupt delta time
    // could otherwise ask for days of audio.
    if (seconds > kMaxSoundSeconds) return DecodeResult::TooLarge;
    if (!Pool().FontUsable(false)) return DecodeResult::NoSoundFont;

    // A repetition is never shorter than one block, so a looping empty song
    // cannot make the mixer spin.
    const size_t songFrames = std::max<size_t>((size_t)std::ceil(seconds * kRate), kBlockFrames);
    const size_t capacity = (songFrames + kMaxTailFrames) * kBytesPerFrame;
    // calloc hands back pages the system zeroes as they are first written,
    // so a long song costs nothing here.
    out->pcm.reset(static_cast<uint8_t*>(calloc(capacity, 1)));
    if (!out->pcm) return DecodeResult::Corrupt;
    out->capacity = (uint32_t)capacity;
    out->loopBytes = (uint32_t)(songFrames * kBytesPerFrame);
    out->ready = 0;
    out->finished = false;
    out->failed = false;
    out->song = true;
    RenderJob job{out, std::vector<uint8_t>(data, data + size), songFrames, nullptr, 0, 0, nullptr};
    job.heldTempo = TimeSmpteSongInBeats(&job.midi);
    Pool().Add(std::move(job));
    return DecodeResult::Ok;
}

DecodeResult DecodeSampled(const uint8_t* data, size_t size, DecodedSound* out) {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    if (!Mix_QuerySpec(&rate, &format, &channels)) return DecodeResult::NoMixer;
    if (rate != kRate || format != AUDIO_S16SYS || channels != 2) return DecodeResult::NoMixer;
    DecodeResult claims = CheckOggClaims(data, size);
    if (claims != DecodeResult::Ok) return claims;
    // SDL2_mixer reads the file and converts it to the mixer's format. A WAVE
    // whose data ends early is a broken file, not a shorter sound.
    SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "verystrict");
    // The stream is closed here: SDL2_mixer leaves it open on some of the
    // ways an Ogg file fails.
    SDL_RWops* stream = SDL_RWFromConstMem(data, (int)size);
    if (!stream) return DecodeResult::Corrupt;
    Mix_Chunk* chunk = Mix_LoadWAV_RW(stream, 0);
    SDL_RWclose(stream);
    if (!chunk) return DecodeResult::Corrupt;
    uint32_t usable = chunk->alen - chunk->alen % kBytesPerFrame;
    if (usable == 0) {
        Mix_FreeChunk(chunk);
        return DecodeResult::Corrupt;
    }
    out->pcm.reset(static_cast<uint8_t*>(malloc(usable)));
    if (!out->pcm) {
        Mix_FreeChunk(chunk);
        return DecodeResult::Corrupt;
    }
    memcpy(out->pcm.get(), chunk->abuf, usable);
    out->capacity = usable;
    out->loopBytes = usable;
    out->ready = usable;
    out->finished = true;
    Mix_FreeChunk(chunk);
    return DecodeResult::Ok;
}

// A WAVE is read and checked here, as SDL2_mixer would read it, and its
// samples are converted to the mixer's format later, on a worker. The
// mixer's format is fixed, so this needs no mixer open yet.
DecodeResult DecodeWave(const uint8_t* data, size_t size, DecodedSound* out) {
    DecodeResult claims = CheckWaveClaims(data, size);
    if (claims != DecodeResult::Ok) return claims;
    // A WAVE whose data ends early is a broken file, not a shorter sound.
    SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "verystrict");
    SDL_AudioSpec spec;
    Uint8* read = nullptr;
    Uint32 bytes = 0;
    if (!SDL_LoadWAV_RW(SDL_RWFromConstMem(data, (int)size), 1, &spec, &read, &bytes)) return DecodeResult::Corrupt;
    std::unique_ptr<Uint8, FreeWav> samples(read);
    const Uint32 frameBytes = (Uint32)(SDL_AUDIO_BITSIZE(spec.format) / 8) * spec.channels;
    if (frameBytes == 0 || spec.freq <= 0 || bytes < frameBytes) return DecodeResult::Corrupt;
    // The converted length follows from the rate alone: the buffer is made
    // that size once, and no larger.
    const uint64_t frames = (uint64_t)(bytes / frameBytes) * kRate / (uint64_t)spec.freq;
    if (frames == 0 || frames > (uint64_t)INT32_MAX / kBytesPerFrame) return DecodeResult::Corrupt;
    const uint32_t capacity = (uint32_t)frames * kBytesPerFrame;
    const bool same = spec.format == AUDIO_S16SYS && spec.channels == 2 && spec.freq == kRate;
    std::unique_ptr<SDL_AudioStream, FreeStream> stream;
    if (!same) {
        stream.reset(SDL_NewAudioStream(spec.format, spec.channels, spec.freq, AUDIO_S16SYS, 2, kRate));
        if (!stream) return DecodeResult::Corrupt;
    }
    // Untouched pages of calloc's cost nothing until the conversion writes them.
    out->pcm.reset(static_cast<uint8_t*>(same ? malloc(capacity) : calloc(capacity, 1)));
    if (!out->pcm) return DecodeResult::Corrupt;
    out->capacity = capacity;
    out->loopBytes = capacity;
    out->failed = false;
    if (same) {  // already in the mixer's format
        memcpy(out->pcm.get(), samples.get(), capacity);
        out->ready = capacity;
        out->finished = true;
        return DecodeResult::Ok;
    }
    out->ready = 0;
    out->finished = false;
    Pool().Add(RenderJob{out, std::vector<uint8_t>(), 0, std::move(samples), bytes - bytes % frameBytes,
                         kConvertFrames * frameBytes, std::move(stream)});
    return DecodeResult::Ok;
}

}  // namespace

DecodeResult DecodeSoundFile(const uint8_t* data, size_t size, DecodedSound* out) {
    if (size > (size_t)INT32_MAX) return DecodeResult::Corrupt;
    if (size >= 4 && std::memcmp(data, "MThd", 4) == 0) return RenderMidi(data, size, out);
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0) {
        if (std::memcmp(data + 8, "WAVE", 4) == 0) return DecodeWave(data, size, out);
        if (std::memcmp(data + 8, "RMID", 4) == 0) {
            // A MIDI file wrapped in RIFF: its "data" chunk holds the SMF.
            size_t pos = 12;
            while (size - pos >= 8) {
                uint32_t len = Le32(data + pos + 4);
                if (len > size - pos - 8) return DecodeResult::Corrupt;
                if (std::memcmp(data + pos, "data", 4) == 0) {
                    if (len < 4 || std::memcmp(data + pos + 8, "MThd", 4) != 0) return DecodeResult::Corrupt;
                    return RenderMidi(data + pos + 8, len, out);
                }
                pos += 8 + (size_t)len + (len & 1);
                if (pos > size) break;
            }
            return DecodeResult::Corrupt;
        }
        return DecodeResult::Unrecognised;
    }
    if (size >= 4 && std::memcmp(data, "OggS", 4) == 0) return DecodeSampled(data, size, out);
    return DecodeResult::Unrecognised;
}

DecodedSound::~DecodedSound() {
    if (!finished) Pool().Forget(this);
}

void WaitUntilRendered(const DecodedSound& sound) {
    if (!sound.finished) Pool().Wait(&sound);
}

void StopRendering() { Pool().Stop(); }

bool WaitForRenders(int maxMs) { return Pool().WaitIdle(maxMs); }

bool SoundFontUsable() { return Pool().FontUsable(true); }

int RenderWorkers() { return Pool().Workers(); }

int SoundFontLoads() { return Pool().SoundFontLoads(); }

void PrepareToPlay(const DecodedSound& sound) {
    if (!sound.finished) Pool().Prepare(&sound);
}

void ReleaseSynth() { Pool().Stop(); }

void SetSoundFontPath(const char* path) {
    Pool().Stop();
    g_useOverride = path != nullptr;
    g_soundFontOverride = path ? path : "";
}

}  // namespace sound_sdl
