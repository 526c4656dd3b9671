#include <algorithm>
#include <cstring>

#include "codecs.h"

namespace brevine {
namespace {

constexpr std::uint8_t kIccTag[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
// A segment holds 65,533 bytes after its length: the tag, two sequence bytes, the data.
constexpr std::size_t kIccChunk = 65533 - sizeof kIccTag - 2;

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

}  // namespace

bool IsWellFormedRgbProfile(const std::uint8_t* data, std::size_t size) {
  // The header is 128 bytes and a tag count follows it.
  if (data == nullptr || size < 132) return false;
  if (BigEndian32(data) != size) return false;
  if (std::memcmp(data + 36, "acsp", 4) != 0) return false;
  if (std::memcmp(data + 16, "RGB ", 4) != 0) return false;
  // The tag table: signature, offset and size of each tag, 12 bytes an entry. Every tag's
  // data lies behind the table and within the profile, or a reader would go beyond it.
  const std::uint64_t count = BigEndian32(data + 128);
  const std::uint64_t tableEnd = 132 + 12 * count;
  if (tableEnd > size) return false;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = data + 132 + 12 * i;
    const std::uint64_t offset = BigEndian32(entry + 4);
    const std::uint64_t length = BigEndian32(entry + 8);
    if (offset < tableEnd || offset + length > size) return false;
  }
  return true;
}

std::vector<JpegMarker> IccProfileMarkers(const std::vector<std::uint8_t>& profile) {
  std::vector<JpegMarker> markers;
  if (profile.empty()) return markers;
  const std::size_t count = (profile.size() + kIccChunk - 1) / kIccChunk;
  if (count > 255) return markers;  // beyond what the sequence byte can number
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t begin = i * kIccChunk;
    const std::size_t end = std::min(profile.size(), begin + kIccChunk);
    JpegMarker m;
    m.code = 0xE2;
    m.data.reserve(sizeof kIccTag + 2 + (end - begin));
    m.data.assign(kIccTag, kIccTag + sizeof kIccTag);
    m.data.push_back(static_cast<std::uint8_t>(i + 1));
    m.data.push_back(static_cast<std::uint8_t>(count));
    m.data.insert(m.data.end(), profile.begin() + static_cast<std::ptrdiff_t>(begin),
                  profile.begin() + static_cast<std::ptrdiff_t>(end));
    markers.push_back(std::move(m));
  }
  return markers;
}

std::vector<std::uint8_t> IccProfileFromSegments(
    const std::vector<std::pair<const std::uint8_t*, std::size_t>>& segments) {
  constexpr std::size_t kHead = sizeof kIccTag + 2;
  // Slot i holds the segment numbered i + 1.
  std::vector<std::pair<const std::uint8_t*, std::size_t>> slots;
  int count = 0;
  std::size_t total = 0;
  for (const auto& [data, size] : segments) {
    if (data == nullptr || size < kHead || std::memcmp(data, kIccTag, sizeof kIccTag) != 0) {
      continue;
    }
    const int sequence = data[sizeof kIccTag];
    const int declared = data[sizeof kIccTag + 1];
    if (count == 0) {
      if (declared == 0) return {};
      count = declared;
      slots.assign(static_cast<std::size_t>(count), {nullptr, 0});
    }
    if (declared != count || sequence < 1 || sequence > count) return {};
    auto& slot = slots[static_cast<std::size_t>(sequence - 1)];
    if (slot.first != nullptr) return {};  // the same number twice
    slot = {data + kHead, size - kHead};
    total += size - kHead;
  }
  std::vector<std::uint8_t> profile;
  if (count == 0) return profile;
  for (const auto& slot : slots) {
    if (slot.first == nullptr) return {};  // a gap
  }
  profile.reserve(total);
  for (const auto& [data, size] : slots) profile.insert(profile.end(), data, data + size);
  if (!IsWellFormedRgbProfile(profile.data(), profile.size())) profile.clear();
  return profile;
}

}  // namespace brevine
