// Ogg files written with libogg, libvorbisenc and libopus, for the tests and
// the sound fuzzer's seeds.
#pragma once

#include <ogg/ogg.h>
#include <opus/opus_multistream.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define OGG_SAMPLES_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OGG_SAMPLES_LEAK_CHECKED 1
#endif
#endif
#ifdef OGG_SAMPLES_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

namespace oggsamples {

using Bytes = std::vector<uint8_t>;

inline void Append(Bytes* out, const ogg_page& p) {
  out->insert(out->end(), p.header, p.header + p.header_len);
  out->insert(out->end(), p.body, p.body + p.body_len);
}

// Sets a page's granule position, and its checksum to match.
inline void SetGranule(ogg_page* p, int64_t granule) {
  for (int i = 0; i < 8; ++i) p->header[6 + i] = uint8_t(uint64_t(granule) >> (8 * i));
  ogg_page_checksum_set(p);
}

// Vorbis of `seconds`, one channel for each frequency: a tone of that
// amplitude (silence at frequency 0), at the given encoder quality (-0.1
// the lowest). With granulesLie every page claims that the stream ends
// within its first half second, whatever its packets hold. Files put one
// after another make a chain when their serial numbers differ.
inline Bytes VorbisOf(double seconds, int rate, const std::vector<double>& frequencies, float amplitude,
                      float quality, bool granulesLie = false, int serial = 1) {
  Bytes out;
  const int channels = int(frequencies.size());
#ifdef OGG_SAMPLES_LEAK_CHECKED
  // libvorbisenc 1.3.7 loses part of its set-up for 5.1 (the game itself
  // never encodes).
  __lsan::ScopedDisabler encoderLeaks;
#endif
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) {
    vorbis_info_clear(&vi);
    return out;
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, serial);
  ogg_packet header, comment, code;
  vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comment);
  ogg_stream_packetin(&os, &code);
  ogg_page page;
  auto emit = [&](ogg_page& p) {
    if (granulesLie && ogg_page_granulepos(&p) > 0) SetGranule(&p, rate / 2);
    Append(&out, p);
  };
  while (ogg_stream_flush(&os, &page)) emit(page);
  auto drain = [&] {
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&vd, &packet)) {
        ogg_stream_packetin(&os, &packet);
        while (ogg_stream_pageout(&os, &page)) emit(page);
      }
    }
  };
  const long total = long(seconds * rate);
  for (long done = 0; done < total;) {
    const int n = int(std::min(4096L, total - done));
    float** buffer = vorbis_analysis_buffer(&vd, n);
    for (int c = 0; c < channels; ++c) {
      const double frequency = frequencies[size_t(c)];
      for (int i = 0; i < n; ++i)
        buffer[c][i] =
            frequency > 0 ? amplitude * float(std::sin(double(done + i) * 2 * 3.14159265 * frequency / rate)) : 0;
    }
    vorbis_analysis_wrote(&vd, n);
    done += n;
    drain();
  }
  vorbis_analysis_wrote(&vd, 0);
  drain();
  while (ogg_stream_flush(&os, &page)) emit(page);
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

// Mono Vorbis at the lowest quality: `seconds` of a tone (or of silence,
// at frequency 0), lying about its length as above when asked.
inline Bytes Vorbis(double seconds, int rate, double frequency, bool granulesLie = false) {
  return VorbisOf(seconds, rate, {frequency}, 0.5f, -0.1f, granulesLie);
}

// Opus of `seconds` at 48 kHz, written by libopus's surround encoder (up to
// eight channels, in Vorbis order), one channel for each frequency as above.
inline Bytes OpusOf(double seconds, const std::vector<double>& frequencies, float amplitude, int serial = 5) {
  Bytes out;
  const int channels = int(frequencies.size());
  int error = 0, streams = 0, coupled = 0;
  unsigned char mapping[8] = {};
  OpusMSEncoder* encoder = opus_multistream_surround_encoder_create(
      48000, channels, channels > 2 ? 1 : 0, &streams, &coupled, mapping, OPUS_APPLICATION_AUDIO, &error);
  if (!encoder) return out;
  opus_int32 preSkip = 0;
  opus_multistream_encoder_ctl(encoder, OPUS_GET_LOOKAHEAD(&preSkip));
  Bytes head = {'O', 'p', 'u', 's', 'H', 'e', 'a', 'd', 1, uint8_t(channels), uint8_t(preSkip), uint8_t(preSkip >> 8),
                0x80, 0xBB, 0, 0, 0, 0, uint8_t(channels > 2 ? 1 : 0)};
  if (channels > 2) {
    head.insert(head.end(), {uint8_t(streams), uint8_t(coupled)});
    head.insert(head.end(), mapping, mapping + channels);
  }
  uint8_t tags[16] = {'O', 'p', 'u', 's', 'T', 'a', 'g', 's', 0, 0, 0, 0, 0, 0, 0, 0};
  ogg_stream_state os;
  ogg_stream_init(&os, serial);
  ogg_page page;
  long number = 0;
  auto put = [&](uint8_t* data, long bytes, int64_t granule, bool last) {
    ogg_packet op = {};
    op.packet = data;
    op.bytes = bytes;
    op.b_o_s = number == 0;
    op.e_o_s = last;
    op.granulepos = granule;
    op.packetno = number++;
    ogg_stream_packetin(&os, &op);
    if (number <= 2) {
      while (ogg_stream_flush(&os, &page)) Append(&out, page);
    } else {
      while (ogg_stream_pageout(&os, &page)) Append(&out, page);
    }
  };
  put(head.data(), long(head.size()), 0, false);
  put(tags, sizeof tags, 0, false);
  // The encoder's look-ahead comes first and is skipped by the decoder; the
  // last page's granule position ends the stream at the last real sample.
  const long samples = long(seconds * 48000), total = samples + preSkip;
  std::vector<float> pcm(size_t(960 * channels));
  unsigned char packet[4000];
  for (long done = 0; done < total;) {
    for (int i = 0; i < 960; ++i)
      for (int c = 0; c < channels; ++c) {
        const double frequency = frequencies[size_t(c)];
        pcm[size_t(i * channels + c)] =
            done + i < samples && frequency > 0
                ? amplitude * float(std::sin(double(done + i) * 2 * 3.14159265 * frequency / 48000))
                : 0;
      }
    const int bytes = opus_multistream_encode_float(encoder, pcm.data(), 960, packet, sizeof packet);
    if (bytes < 0) break;
    done += 960;
    put(packet, bytes, std::min(done, total), done >= total);
  }
  while (ogg_stream_flush(&os, &page)) Append(&out, page);
  ogg_stream_clear(&os);
  opus_multistream_encoder_destroy(encoder);
  return out;
}

// An Ogg Opus stream of `packets` packets of 20 ms each (a lone first byte:
// one CELT frame, nothing coded), whose last page claims half a second.
// With `together` streams (of serials serial, serial + 1, ...), their first
// pages come together, then their packets in turn, as in a file of several
// streams side by side.
inline Bytes OpusPackets(long packets, int together = 1, int serial = 7) {
  Bytes out;
  std::vector<ogg_stream_state> streams(size_t(together > 0 ? together : 1));
  for (size_t k = 0; k < streams.size(); ++k) ogg_stream_init(&streams[k], serial + int(k));
  uint8_t head[19] = {'O', 'p', 'u', 's', 'H', 'e', 'a', 'd', 1, 2, 0x38, 1, 0x80, 0xBB, 0, 0, 0, 0, 0};
  uint8_t tags[16] = {'O', 'p', 'u', 's', 'T', 'a', 'g', 's', 0, 0, 0, 0, 0, 0, 0, 0};
  uint8_t frame[1] = {0xF8};  // configuration 31: CELT, full band, 20 ms; one frame
  ogg_page page;
  auto put = [&](ogg_stream_state& os, uint8_t* data, long bytes, long number, bool last, bool flush) {
    ogg_packet op = {};
    op.packet = data;
    op.bytes = bytes;
    op.b_o_s = number == 0;
    op.e_o_s = last;
    op.packetno = number;
    op.granulepos = number < 2 ? 0 : 24000;
    ogg_stream_packetin(&os, &op);
    if (flush) {
      while (ogg_stream_flush(&os, &page)) Append(&out, page);
    } else {
      while (ogg_stream_pageout(&os, &page)) Append(&out, page);
    }
  };
  for (ogg_stream_state& os : streams) put(os, head, sizeof head, 0, false, true);
  for (ogg_stream_state& os : streams) put(os, tags, sizeof tags, 1, false, true);
  for (long i = 0; i < packets; ++i)
    for (ogg_stream_state& os : streams) put(os, frame, 1, 2 + i, i + 1 == packets, false);
  for (ogg_stream_state& os : streams) {
    while (ogg_stream_flush(&os, &page)) Append(&out, page);
    ogg_stream_clear(&os);
  }
  return out;
}

}  // namespace oggsamples
