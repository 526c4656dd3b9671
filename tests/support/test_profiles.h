#pragma once
// Colour profiles and JPEG segments made in code: a profile here only has to pass the
// well-formed test (size, "acsp", colour space, an empty tag table); behind the table comes
// filler with a known pattern.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace brevine::test {

// A profile of `size` bytes (at least 132) with the given data colour space.
inline std::vector<std::uint8_t> MakeProfile(std::size_t size, const char* space = "RGB ",
                                             std::uint32_t seed = 1) {
  std::vector<std::uint8_t> p(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (auto& b : p) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(x >> 24);
  }
  const auto n = static_cast<std::uint32_t>(size);
  p[0] = static_cast<std::uint8_t>(n >> 24);
  p[1] = static_cast<std::uint8_t>(n >> 16);
  p[2] = static_cast<std::uint8_t>(n >> 8);
  p[3] = static_cast<std::uint8_t>(n);
  std::memcpy(p.data() + 16, space, 4);
  std::memcpy(p.data() + 36, "acsp", 4);
  if (size >= 132) std::memset(p.data() + 128, 0, 4);  // an empty tag table
  return p;
}

// The body of one APP2 "ICC_PROFILE" segment: tag, sequence number, count, data.
inline std::vector<std::uint8_t> IccSegment(int sequence, int count, const std::uint8_t* data,
                                            std::size_t size) {
  static const char kTag[] = "ICC_PROFILE";  // the terminating zero is part of the tag
  std::vector<std::uint8_t> s(kTag, kTag + sizeof kTag);
  s.push_back(static_cast<std::uint8_t>(sequence));
  s.push_back(static_cast<std::uint8_t>(count));
  s.insert(s.end(), data, data + size);
  return s;
}

// The profile cut into `count` nearly equal APP2 bodies, numbered from 1.
inline std::vector<std::vector<std::uint8_t>> IccSegments(const std::vector<std::uint8_t>& profile,
                                                          int count) {
  std::vector<std::vector<std::uint8_t>> out;
  const std::size_t step = (profile.size() + count - 1) / count;
  for (int i = 0; i < count; ++i) {
    const std::size_t begin = std::min(profile.size(), step * i);
    const std::size_t end = std::min(profile.size(), begin + step);
    out.push_back(IccSegment(i + 1, count, profile.data() + begin, end - begin));
  }
  return out;
}

// The JPEG file with extra segments (marker code, body) inserted right after SOI.
inline std::vector<std::uint8_t> WithSegments(
    const std::vector<std::uint8_t>& jpeg,
    const std::vector<std::pair<int, std::vector<std::uint8_t>>>& segments) {
  std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
  for (const auto& [marker, body] : segments) {
    const std::size_t length = body.size() + 2;
    out.push_back(0xFF);
    out.push_back(static_cast<std::uint8_t>(marker));
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.push_back(static_cast<std::uint8_t>(length));
    out.insert(out.end(), body.begin(), body.end());
  }
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

// The profile in the APP2 segments of a JPEG file, joined in the order they appear; the
// sequence bytes must count 1..N in that order, or the result is empty.
inline std::vector<std::uint8_t> ProfileInJpeg(const std::vector<std::uint8_t>& jpeg) {
  std::vector<std::uint8_t> profile;
  std::size_t pos = 2;
  int expected = 1;
  while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF) {
    const int marker = jpeg[pos + 1];
    if (marker == 0xDA) break;
    const std::size_t length = (std::size_t{jpeg[pos + 2]} << 8) | jpeg[pos + 3];
    const std::uint8_t* body = jpeg.data() + pos + 4;
    if (marker == 0xE2 && length >= 16 && std::memcmp(body, "ICC_PROFILE", 12) == 0) {
      if (body[12] != expected++) return {};
      profile.insert(profile.end(), body + 14, body + length - 2);
    }
    pos += 2 + length;
  }
  return profile;
}

}  // namespace brevine::test
