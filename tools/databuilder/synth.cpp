#include "tools/databuilder/synth.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iostream>

#include "tools/databuilder/canvas.h"

namespace databuilder {

namespace {

constexpr float kTwoPi = 6.28318530717959f;

void put16(std::ofstream& out, uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); }
void put32(std::ofstream& out, uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); }

}  // namespace

float sine(float phase) { return std::sin(kTwoPi * phase); }
float saw(float phase) { return 2.0f * (phase - std::floor(phase)) - 1.0f; }
float square(float phase) { return phase - std::floor(phase) < 0.5f ? 1.0f : -1.0f; }
float triangle(float phase) { return 1.0f - 4.0f * std::fabs(phase - std::floor(phase) - 0.5f); }

float decay(float t, float time) { return t < 0.0f ? 0.0f : std::exp(-t / time); }

float envelope(float t, float attack, float release, float length) {
  if (t < 0.0f || t >= length) return 0.0f;
  if (attack > 0.0f && t < attack) return t / attack;
  if (release > 0.0f && t > length - release) return (length - t) / release;
  return 1.0f;
}

void LowPass::setCutoff(float cutoffHz) {
  k_ = 1.0f - std::exp(-kTwoPi * cutoffHz / float(kSampleRate));
}

float LowPass::operator()(float x) {
  y_ += k_ * (x - y_);
  return y_;
}

float sweepPhase(float t, float f0, float f1, float length) {
  // f(t) = f0 * r^(t / length); the phase is its integral.
  if (f0 == f1) return f0 * t;
  const float lr = std::log(f1 / f0);
  return f0 * length / lr * (std::exp(lr * t / length) - 1.0f);
}

void normalise(Samples& samples, float peak) {
  float loudest = 0.0f;
  for (float s : samples) loudest = std::max(loudest, std::fabs(s));
  if (loudest <= 0.0f) return;
  for (float& s : samples) s *= peak / loudest;
}

bool saveWave(const Samples& samples, const std::string& path) {
  if (!makeParentFolders(path)) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const uint32_t dataBytes = uint32_t(samples.size() * 2);
  out.write("RIFF", 4);
  put32(out, 36 + dataBytes);
  out.write("WAVEfmt ", 8);
  put32(out, 16);
  put16(out, 1);  // PCM
  put16(out, 1);  // mono
  put32(out, kSampleRate);
  put32(out, kSampleRate * 2);
  put16(out, 2);
  put16(out, 16);
  out.write("data", 4);
  put32(out, dataBytes);
  std::vector<int16_t> pcm(samples.size());
  for (size_t i = 0; i < samples.size(); ++i)
    pcm[i] = int16_t(std::lround(std::clamp(samples[i], -1.0f, 1.0f) * 32767.0f));
  out.write(reinterpret_cast<const char*>(pcm.data()), std::streamsize(dataBytes));
  out.flush();
  if (!out) {
    std::cerr << "databuilder: cannot write " << path << "\n";
    return false;
  }
  return true;
}

bool saveVorbis(const std::vector<float>& interleaved, const std::string& path) {
  if (!makeParentFolders(path)) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    std::cerr << "databuilder: cannot write " << path << "\n";
    return false;
  }
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, 2, kSampleRate, 0.3f) != 0) {
    vorbis_info_clear(&info);
    std::cerr << "databuilder: the Vorbis encoder refused its settings\n";
    return false;
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_comment_add_tag(&comment, "ENCODER", "ombrel databuilder");
  vorbis_dsp_state dsp;
  vorbis_block block;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  // A fixed serial number keeps the file the same from build to build.
  ogg_stream_init(&stream, 0x0b12e1);

  ogg_packet header, commentHeader, codeHeader;
  vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &commentHeader);
  ogg_stream_packetin(&stream, &codeHeader);
  ogg_page page;
  while (ogg_stream_flush(&stream, &page) != 0) {
    out.write(reinterpret_cast<const char*>(page.header), page.header_len);
    out.write(reinterpret_cast<const char*>(page.body), page.body_len);
  }

  const size_t frames = interleaved.size() / 2;
  constexpr size_t kChunk = 4096;
  size_t done = 0;
  bool ended = false;
  bool allWritten = false;
  while (!ended) {
    const size_t n = std::min(kChunk, frames - done);
    if (n == 0) {
      // No more input: the encoder flushes and the last page carries the end mark.
      if (allWritten) break;
      vorbis_analysis_wrote(&dsp, 0);
      allWritten = true;
    } else {
      float** buffer = vorbis_analysis_buffer(&dsp, int(n));
      for (size_t i = 0; i < n; ++i) {
        buffer[0][i] = interleaved[(done + i) * 2];
        buffer[1][i] = interleaved[(done + i) * 2 + 1];
      }
      vorbis_analysis_wrote(&dsp, int(n));
      done += n;
    }
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page) != 0) {
          out.write(reinterpret_cast<const char*>(page.header), page.header_len);
          out.write(reinterpret_cast<const char*>(page.body), page.body_len);
          if (ogg_page_eos(&page)) ended = true;
        }
      }
    }
  }
  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  out.flush();
  if (!out) {
    std::cerr << "databuilder: cannot write " << path << "\n";
    return false;
  }
  return true;
}

}  // namespace databuilder
