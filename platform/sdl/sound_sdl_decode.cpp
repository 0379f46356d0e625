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
#include <fluidsynth.h>
#include <opusfile.h>
#include <samplerate.h>
#include <unistd.h>
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

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
uint32_t Be32(const uint8_t* p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = (uint8_t)(v >> (8 * i));
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
struct FreeResampler {
    void operator()(SRC_STATE* p) const { src_delete(p); }
};

// The mixer's 16-bit sample nearest to a float one, clipped.
int16_t ToSample(float v) {
    return (int16_t)std::clamp(std::lrint(v * 32768.0f), -32768L, 32767L);
}

// Puts frames of float samples, one channel or two, into the buffer as
// 16-bit stereo; one channel plays on both sides.
void Store(const float* from, size_t frames, int channels, int16_t* to) {
    for (size_t i = 0; i < frames; ++i) {
        to[2 * i] = ToSample(from[i * channels]);
        to[2 * i + 1] = ToSample(from[i * channels + channels - 1]);
    }
}

// Samples go through the converter this many frames at a time, so that a
// worker never holds it for long.
constexpr Uint32 kConvertFrames = 4096;

// How sampled sound becomes the mixer's, a stretch of one layout and rate at
// a time: a WAVE is one stretch, an Ogg chain one for each run of links of
// the same layout and rate. SDL turns each piece into float samples at the
// sound's own rate, mono or stereo (more channels mixed down), frame by
// frame, so nothing carries from one piece into the next. libsamplerate then
// carries its filter's history from piece to piece, so the pieces join as
// one sound. (SDL's own stream resamples each of its blocks afresh: it loses
// fractions of a frame at their joins, and its flush leaves out the sound's
// last few milliseconds.) The resampler's output lags its input by the reach
// of its filter: silence fed after the last piece brings out the end, and
// the stretch comes out as long as its source at the mixer's rate, to the
// frame.
class SampleConverter {
public:
    // The stretches go into the mixer's buffer pcm, of `capacity` frames,
    // from its start.
    void Into(int16_t* pcm, size_t capacity) {
        pcm_ = pcm;
        capacity_ = capacity;
    }

    // SDL's part of the next stretch to be planned, for samples of the
    // format and channels at the rate. SDL sets up its converters on the
    // calling thread: the load plans every stretch, the worker does the rest.
    bool Plan(SDL_AudioFormat format, int channels, int rate) {
        Stretch next;
        // A mono sound is resampled as one channel, at half the cost.
        next.channels = channels == 1 ? 1 : 2;
        next.rate = rate;
        if (SDL_BuildAudioCVT(&next.layout, format, (Uint8)channels, rate, AUDIO_F32SYS, (Uint8)next.channels,
                              rate) < 0) {
            return false;
        }
        plans_.push_back(next);
        return true;
    }

    // Starts the next stretch planned where the last one ended.
    bool Begin() {
        if (begun_ == plans_.size()) return false;
        stretch_ = plans_[begun_++];
        begin_ = written_;
        fed_ = 0;
        resampler_.reset();
        if (stretch_.rate == kRate) return true;
        // The fastest of libsamplerate's sinc converters dulls the top
        // of the band (a 22,050-Hz sound keeps 72 % of its level at
        // 8.8 kHz, 30 % at 9.5 kHz); this one keeps 99.5 % up to 0.43 of
        // the file's rate, where SDL's own resampler kept 81 %.
        int error = 0;
        resampler_.reset(src_new(SRC_SINC_MEDIUM_QUALITY, stretch_.channels, &error));
        resampled_.resize(kConvertFrames * stretch_.channels);
        return resampler_ != nullptr;
    }

    // The bytes that a piece of `bytes` takes while SDL converts it in place.
    size_t PieceBytes(size_t bytes) const { return bytes * (size_t)stretch_.layout.len_mult; }

    // Converts a piece of whole frames in the planned format, held in a
    // buffer of PieceBytes, and stores what comes out. False when the
    // stretch would no longer fit in the buffer, or SDL or the resampler fails.
    bool Put(void* piece, Uint32 bytes) {
        SDL_AudioCVT& layout = stretch_.layout;
        layout.buf = static_cast<Uint8*>(piece);
        layout.len = (int)bytes;
        if (SDL_ConvertAudio(&layout) != 0) return false;
        const long frames = layout.len_cvt / (stretch_.channels * (long)sizeof(float));
        fed_ += (uint64_t)frames;
        if (End() > capacity_) return false;
        return Resample(static_cast<const float*>(piece), frames);
    }

    // Brings out the end of the stretch.
    bool Finish() {
        std::vector<float> silence;
        for (int silent = 0; written_ < End(); ++silent) {
            if (!resampler_ || silent == 2) return false;  // the sound came out short: never so far
            silence.resize(kConvertFrames * stretch_.channels);
            if (!Resample(silence.data(), kConvertFrames)) return false;
        }
        return true;
    }

    size_t Written() const { return written_; }

    // The frames that a stretch of `frames` at the rate comes out as.
    static uint64_t Length(uint64_t frames, int rate) { return frames * kRate / (uint64_t)rate; }

private:
    // Where the stretch ends: its frames so far at the mixer's rate.
    size_t End() const { return begin_ + Length(fed_, stretch_.rate); }

    // Stores frames of floats, resampled where the rate is not the mixer's,
    // up to the stretch's end; what would come after is the ring of the
    // silence beyond it.
    bool Resample(const float* in, long frames) {
        const size_t end = End();
        if (!resampler_) {
            const size_t n = std::min<size_t>(frames, end - written_);
            Store(in, n, stretch_.channels, pcm_ + written_ * 2);
            written_ += n;
            return true;
        }
        SRC_DATA pass{};
        pass.data_in = in;
        pass.input_frames = frames;
        pass.src_ratio = (double)kRate / stretch_.rate;
        for (;;) {
            // A piece at a low rate makes up to eleven passes.
            worker_gate::Checkpoint();
            pass.data_out = resampled_.data();
            pass.output_frames = kConvertFrames;
            if (src_process(resampler_.get(), &pass) != 0) return false;
            const size_t n = std::min<size_t>(pass.output_frames_gen, end - written_);
            Store(resampled_.data(), n, stretch_.channels, pcm_ + written_ * 2);
            written_ += n;
            pass.data_in += pass.input_frames_used * stretch_.channels;
            pass.input_frames -= pass.input_frames_used;
            // The piece is done once it is all taken in and what it gave
            // fitted in the output.
            if (written_ == end || (pass.input_frames == 0 && pass.output_frames_gen < pass.output_frames) ||
                (pass.input_frames_used == 0 && pass.output_frames_gen == 0)) {
                return true;
            }
        }
    }

    struct Stretch {
        SDL_AudioCVT layout{};  // to floats at the sound's rate
        int channels = 2;       // of those floats
        int rate = kRate;
    };

    int16_t* pcm_ = nullptr;
    size_t capacity_ = 0;
    std::vector<Stretch> plans_;
    size_t begun_ = 0;  // of the plans
    Stretch stretch_;   // the one begun last
    std::unique_ptr<SRC_STATE, FreeResampler> resampler_;
    std::vector<float> resampled_;
    size_t begin_ = 0;    // the stretch's first frame in the buffer
    size_t written_ = 0;  // frames in the buffer
    uint64_t fed_ = 0;    // frames of the stretch taken in
};

// A sound's samples, piece by piece from its start, for the converter.
class SampleSource {
public:
    virtual ~SampleSource() = default;
    // Puts the next piece through the converter, beginning each stretch as
    // it comes, and finishes the last one at the end (*done then set).
    // False when a piece cannot be converted.
    virtual bool Next(SampleConverter& converter, bool* done) = 0;
};

// A WAVE's samples as SDL read them, one stretch, planned by the load.
class WaveSource : public SampleSource {
public:
    WaveSource(std::unique_ptr<Uint8, FreeWav> samples, Uint32 bytes, Uint32 pieceBytes)
        : samples_(std::move(samples)), bytes_(bytes), pieceBytes_(pieceBytes) {}

    bool Next(SampleConverter& converter, bool* done) override {
        if (fed_ == 0) {
            if (!converter.Begin()) return false;
            piece_.resize((converter.PieceBytes(pieceBytes_) + sizeof(float) - 1) / sizeof(float));
        }
        if (fed_ == bytes_) {
            *done = true;
            return converter.Finish();
        }
        const Uint32 n = std::min(pieceBytes_, bytes_ - fed_);
        memcpy(piece_.data(), samples_.get() + fed_, n);
        fed_ += n;
        return converter.Put(piece_.data(), n);
    }

private:
    std::unique_ptr<Uint8, FreeWav> samples_;
    Uint32 bytes_;
    Uint32 pieceBytes_;  // whole frames
    Uint32 fed_ = 0;
    std::vector<float> piece_;  // a piece as SDL converts it, in place
};

struct RenderJob {
    DecodedSound* sound;
    std::vector<uint8_t> midi;  // a song to render, or
    size_t songFrames;
    std::unique_ptr<SampleSource> samples;  // sampled sound to convert
    std::unique_ptr<SampleConverter> converter;
    int heldTempo = 0;  // microseconds a beat that override the song's own; 0 for none
};

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
        job.converter.reset();
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

    // Converts sampled sound piece by piece into its buffer, which has room
    // for exactly the converted sound, publishing each piece.
    bool Convert(RenderJob& job) {
        DecodedSound* out = job.sound;
        SampleConverter& converter = *job.converter;
        bool ok = true, done = false;
        while (ok && !done) {
            worker_gate::Checkpoint();
            if (Cancelled(out)) return false;
            const size_t before = converter.Written();
            ok = job.samples->Next(converter, &done);
            if (ok) Publish(out, before * kBytesPerFrame, converter.Written() * kBytesPerFrame);
        }
        return ok && converter.Written() * kBytesPerFrame == out->capacity;
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
    // 29 stands for 29.97 frames a second: there a beat of 30 frames lasts
    // 1.001001 s, which whole microseconds hold to a nanosecond a beat.
    const bool dropFrame = framesPerSecond == 29;
    const int framesPerBeat = dropFrame ? 30 : framesPerSecond;
    const int ticksPerBeat = framesPerBeat * division[1];  // at most 128 * 255: within 15 bits
    division[0] = (uint8_t)(ticksPerBeat >> 8);
    division[1] = (uint8_t)ticksPerBeat;
    return dropFrame ? 1001001 : 1000000;
}

// The song as FluidSynth is to read it: the header and the tracks, without
// the chunks of other kinds that a reader skips (FluidSynth plays nothing of
// a song with one before or among its tracks). The song has passed the scan.
std::vector<uint8_t> HeaderAndTracks(const uint8_t* data, size_t size) {
    std::vector<uint8_t> song(data, data + 14);
    const int tracks = data[10] << 8 | data[11];
    for (size_t pos = 14, found = 0; found < (size_t)tracks && size - pos >= 8;) {
        const size_t end = pos + 8 + (size_t)Be32(data + pos + 4);
        if (std::memcmp(data + pos, "MTrk", 4) == 0) {
            song.insert(song.end(), data + pos, data + end);
            ++found;
        }
        pos = end;
    }
    return song;
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
    RenderJob job{out, HeaderAndTracks(data, size), songFrames, nullptr, nullptr};
    job.heldTempo = TimeSmpteSongInBeats(&job.midi);
    Pool().Add(std::move(job));
    return DecodeResult::Ok;
}

// ---- Ogg Vorbis and Opus ----

// For each of SDL's channels of the layout, the file's channel that feeds it
// (-1 for none). Vorbis and Opus order a layout's channels front left,
// centre, front right, then the sides and the rear, the LFE last; SDL orders
// them front left, front right, centre, LFE, then the rear and the sides.
// SDL's layouts of three and five channels have no centre: files of those
// reach SDL as 5.1, the channels they lack silent.
struct Layout {
    int channels;  // SDL's
    int8_t from[8];
};
const Layout kLayouts[9] = {
    {0, {}},
    {1, {0}},
    {2, {0, 1}},
    {6, {0, 2, 1, -1, -1, -1}},    // L C R
    {4, {0, 1, 2, 3}},             // FL FR RL RR
    {6, {0, 2, 1, -1, 3, 4}},      // FL C FR RL RR
    {6, {0, 2, 1, 5, 3, 4}},       // FL C FR RL RR LFE
    {7, {0, 2, 1, 6, 5, 3, 4}},    // FL C FR SL SR RC LFE
    {8, {0, 2, 1, 7, 5, 6, 3, 4}}, // FL C FR SL SR RL RR LFE
};

// Frames decoded at a time: 120 ms at 48 kHz, Opus's longest packet.
constexpr int kPieceFrames = 5760;

struct MemoryFile {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;

    size_t Read(void* to, size_t bytes) {
        bytes = std::min(bytes, size - pos);
        memcpy(to, data + pos, bytes);
        pos += bytes;
        return bytes;
    }
};

size_t ReadForVorbis(void* to, size_t size, size_t count, void* file) {
    return size ? static_cast<MemoryFile*>(file)->Read(to, size * count) / size : 0;
}

int ReadForOpus(void* file, unsigned char* to, int bytes) {
    return (int)static_cast<MemoryFile*>(file)->Read(to, (size_t)std::max(bytes, 0));
}

// An Ogg Vorbis or Opus file read from memory front to back, as a stream
// that cannot seek: each link's headers are read as it comes, and only the
// current link's are held.
class OggReader {
public:
    OggReader(const uint8_t* data, size_t size) : file_{data, size} {}
    ~OggReader() {
        if (opus_) op_free(opus_);
        if (vorbisOpen_) ov_clear(&vorbis_);
    }

    bool Open(bool opus) {
        if (opus) {
            const OpusFileCallbacks callbacks = {ReadForOpus, nullptr, nullptr, nullptr};
            opus_ = op_open_callbacks(&file_, &callbacks, nullptr, 0, nullptr);
            return opus_ != nullptr;
        }
        const ov_callbacks callbacks = {ReadForVorbis, nullptr, nullptr, nullptr};
        vorbisOpen_ = ov_open_callbacks(&file_, &vorbis_, nullptr, 0, callbacks) == 0;
        return vorbisOpen_;
    }

    // Reads up to kPieceFrames frames into pcm (room for eight channels),
    // interleaved in the file's channel order, with the current link's
    // channels and rate; a link of more channels is not read. Returns the
    // frames, 0 at the end, or -1 where the decoder cannot go on.
    long Read(float* pcm, int* channels, int* rate) {
        for (;;) {
            long frames;
            if (opus_) {
                frames = op_read_float(opus_, pcm, kPieceFrames * 8, nullptr);
                if (frames == OP_HOLE) continue;  // a hole: what follows still plays
                if (frames < 0) return -1;
                *channels = op_channel_count(opus_, -1);
                *rate = 48000;
                return frames;
            }
            float** planes;
            frames = ov_read_float(&vorbis_, &planes, kPieceFrames, nullptr);
            if (frames == OV_HOLE) continue;
            if (frames < 0) return -1;
            const vorbis_info* info = ov_info(&vorbis_, -1);
            if (!info) return -1;
            *channels = info->channels;
            *rate = (int)info->rate;
            if (*channels > 8) return frames;
            for (long i = 0; i < frames; ++i) {
                for (int c = 0; c < *channels; ++c) pcm[i * *channels + c] = planes[c][i];
            }
            return frames;
        }
    }

private:
    MemoryFile file_;
    OggOpusFile* opus_ = nullptr;
    OggVorbis_File vorbis_;
    bool vorbisOpen_ = false;
};

// Whether the file's first sound stream is Vorbis or Opus (*opus says
// which): the scan bounds the length of only such files.
bool FirstStreamKnown(const uint8_t* data, size_t size, bool* opus) {
    size_t bytes = 0;
    const uint8_t* header = sound_scan::FirstOggSoundHeader(data, size, &bytes);
    if (!header) return false;
    *opus = memcmp(header, "OpusHead", 8) == 0;
    return true;
}

// An Ogg file's samples piece by piece, their channels put in SDL's order:
// the decoders give them in the file's, which SDL would read as its own (a
// 5.1 file's centre on the right, its front right in the middle and its
// rear left as the LFE).
class OggSamples {
public:
    OggSamples(const uint8_t* data, size_t size) : reader_(data, size), decoded_((size_t)kPieceFrames * 8) {}

    bool Open(bool opus) { return reader_.Open(opus); }

    // Reads the next piece into Samples(): its frames, 0 at the end. *starts
    // is set where it begins a stretch, a link of another layout or rate than
    // the piece before. Fails (Corrupt or TooLarge) where the decoder cannot
    // go on, or a link is past the limits.
    DecodeResult Next(long* frames, bool* starts) {
        int channels = 0, rate = 0;
        *frames = reader_.Read(decoded_.data(), &channels, &rate);
        if (*frames < 0) return DecodeResult::Corrupt;
        *starts = false;
        if (*frames == 0) return DecodeResult::Ok;
        if (channels < 1 || channels > kMaxChannels || rate < kMinSampleRate || rate > kMaxSampleRate) {
            return DecodeResult::TooLarge;  // a later link of the chain
        }
        *starts = channels != fileChannels_ || rate != rate_;
        fileChannels_ = channels;
        rate_ = rate;
        const Layout& layout = kLayouts[channels];
        ordered_.resize((size_t)*frames * layout.channels);
        float* to = ordered_.data();
        for (long i = 0; i < *frames; ++i) {
            const float* frame = decoded_.data() + i * channels;
            for (int c = 0; c < layout.channels; ++c) *to++ = layout.from[c] < 0 ? 0.0f : frame[layout.from[c]];
        }
        return DecodeResult::Ok;
    }

    const float* Samples() const { return ordered_.data(); }
    int Channels() const { return kLayouts[fileChannels_].channels; }  // SDL's
    int Rate() const { return rate_; }

private:
    OggReader reader_;
    std::vector<float> decoded_, ordered_;
    int fileChannels_ = 0;
    int rate_ = 0;
};

// An Ogg file decoded again on the worker, each stretch converted as a
// WAVE's samples are.
class OggSource : public SampleSource {
public:
    OggSource(const uint8_t* data, size_t size, bool opus)
        : file_(data, data + size), samples_(file_.data(), size), opus_(opus) {}

    bool Next(SampleConverter& converter, bool* done) override {
        long frames;
        bool starts;
        if (!open_) {  // the decoder is set up here, on the worker
            if (!samples_.Open(opus_)) return false;
            open_ = true;
        }
        if (samples_.Next(&frames, &starts) != DecodeResult::Ok) return false;
        if ((frames == 0 || starts) && begun_ && !converter.Finish()) return false;
        if (frames == 0) {
            *done = true;
            return begun_;
        }
        const Uint32 bytes = (Uint32)(frames * samples_.Channels() * sizeof(float));
        if (starts) {
            if (!converter.Begin()) return false;
            begun_ = true;
        }
        piece_.resize((converter.PieceBytes(bytes) + sizeof(float) - 1) / sizeof(float));
        memcpy(piece_.data(), samples_.Samples(), bytes);
        return converter.Put(piece_.data(), bytes);
    }

private:
    std::vector<uint8_t> file_;
    OggSamples samples_;
    bool opus_;
    bool open_ = false;
    bool begun_ = false;  // a stretch has begun
    std::vector<float> piece_;  // a piece as SDL converts it, in place
};

// An Ogg file is decoded once here, without converting (the lesser part of
// the work, and less than SDL2_mixer's loader did here), for its length, the
// plan of its stretches (a chain's links of another layout or rate each make
// one) and whatever makes it fail; a worker then decodes it again and
// converts it into a buffer of exactly that length.
DecodeResult DecodeOgg(const uint8_t* data, size_t size, DecodedSound* out) {
    DecodeResult claims = CheckOggClaims(data, size);
    if (claims != DecodeResult::Ok) return claims;
    bool opus = false;
    if (!FirstStreamKnown(data, size, &opus)) return DecodeResult::Corrupt;
    OggSamples samples(data, size);
    if (!samples.Open(opus)) return DecodeResult::Corrupt;
    auto converter = std::make_unique<SampleConverter>();
    // The scan has bounded the decoded length; a file past that (which the
    // scan's count rules out) is refused at a margin beyond it.
    const uint64_t limit = (uint64_t)(kMaxSoundSeconds + 2) * kRate;
    uint64_t length = 0, frames = 0;  // of the stretches before this one; of this one, at its rate
    int rate = 0;
    for (;;) {
        long piece;
        bool starts;
        const DecodeResult read = samples.Next(&piece, &starts);
        if (read != DecodeResult::Ok) return read;
        if (piece == 0 || starts) {
            if (rate) length += SampleConverter::Length(frames, rate);
            frames = 0;
        }
        if (piece == 0) break;
        if (starts) {
            rate = samples.Rate();
            if (!converter->Plan(AUDIO_F32SYS, samples.Channels(), rate)) return DecodeResult::Corrupt;
        }
        frames += (uint64_t)piece;
        if (length + SampleConverter::Length(frames, rate) > limit) return DecodeResult::TooLarge;
    }
    if (length == 0) return DecodeResult::Corrupt;
    const uint32_t capacity = (uint32_t)length * kBytesPerFrame;
    // Untouched pages of calloc's cost nothing until the conversion writes them.
    out->pcm.reset(static_cast<uint8_t*>(calloc(capacity, 1)));
    if (!out->pcm) return DecodeResult::Corrupt;
    converter->Into(reinterpret_cast<int16_t*>(out->pcm.get()), (size_t)length);
    out->capacity = capacity;
    out->loopBytes = capacity;
    out->ready = 0;
    out->finished = false;
    out->failed = false;
    Pool().Add(RenderJob{out, std::vector<uint8_t>(), 0, std::make_unique<OggSource>(data, size, opus),
                         std::move(converter)});
    return DecodeResult::Ok;
}

// A WAVE is read and checked here, as SDL2_mixer would read it, and its
// samples are converted to the mixer's format later, on a worker. The
// mixer's format is fixed, so this needs no mixer open yet.
DecodeResult DecodeWave(const uint8_t* data, size_t size, DecodedSound* out) {
    DecodeResult claims = CheckWaveClaims(data, size);
    if (claims != DecodeResult::Ok) return claims;
    sound_scan::WaveData where;
    if (!sound_scan::FindWaveData(data, size, &where)) return DecodeResult::Corrupt;
    // SDL takes a data chunk's size on trust (it allocates it before it
    // reads): a stream's placeholder becomes the size of what the file
    // holds, in a copy that ends there.
    std::vector<uint8_t> sized;
    if (!where.stated) {
        sized.assign(data, data + where.begin + where.bytes);
        PutLe32(sized.data() + where.sizeField, where.bytes);
        PutLe32(sized.data() + 4, (uint32_t)sized.size() - 8);
        data = sized.data();
        size = sized.size();
    }
    // The data chunk is read whole, wherever the RIFF size says the file
    // ends: the scan has judged the sizes.
    SDL_SetHint(SDL_HINT_WAVE_RIFF_CHUNK_SIZE, "ignore");
    SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "strict");
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
    // Untouched pages of calloc's cost nothing until the conversion writes them.
    std::unique_ptr<uint8_t[], DecodedSound::Free> pcm(
        static_cast<uint8_t*>(same ? malloc(capacity) : calloc(capacity, 1)));
    if (!pcm) return DecodeResult::Corrupt;
    std::unique_ptr<SampleConverter> converter;
    if (!same) {
        converter = std::make_unique<SampleConverter>();
        if (!converter->Plan(spec.format, spec.channels, spec.freq)) return DecodeResult::Corrupt;
        converter->Into(reinterpret_cast<int16_t*>(pcm.get()), (size_t)frames);
    }
    out->pcm = std::move(pcm);
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
    Pool().Add(RenderJob{out, std::vector<uint8_t>(), 0,
                         std::make_unique<WaveSource>(std::move(samples), bytes - bytes % frameBytes,
                                                      kConvertFrames * frameBytes),
                         std::move(converter)});
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
    if (size >= 4 && std::memcmp(data, "OggS", 4) == 0) return DecodeOgg(data, size, out);
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
