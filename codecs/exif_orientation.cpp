#include <cstring>

#include "codecs.h"

namespace brevine {
namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;

// A view of the TIFF structure inside the segment; every read is checked against its size.
class TiffReader {
 public:
  TiffReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool ReadByteOrder() {
    if (size_ < 8) return false;
    if (data_[0] == 'I' && data_[1] == 'I') {
      little_ = true;
    } else if (data_[0] == 'M' && data_[1] == 'M') {
      little_ = false;
    } else {
      return false;
    }
    std::uint16_t magic = 0;
    return U16(2, magic) && magic == 42;
  }
  bool Holds(std::size_t offset, std::size_t length) const {
    return offset <= size_ && size_ - offset >= length;
  }
  bool U16(std::size_t offset, std::uint16_t& value) const {
    if (offset > size_ || size_ - offset < 2) return false;
    const std::uint8_t* p = data_ + offset;
    value = little_ ? static_cast<std::uint16_t>(p[0] | (p[1] << 8))
                    : static_cast<std::uint16_t>((p[0] << 8) | p[1]);
    return true;
  }
  bool U32(std::size_t offset, std::uint32_t& value) const {
    if (offset > size_ || size_ - offset < 4) return false;
    const std::uint8_t* p = data_ + offset;
    value = little_ ? (std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                       std::uint32_t{p[3]} << 24)
                    : (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                       std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]});
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  bool little_ = true;
};

// Orientation from the TIFF block of an Exif segment. Only IFD0 is read, so no offset is
// ever followed twice and a chain that loops back cannot hold the reader.
int OrientationFromTiff(const std::uint8_t* tiff, std::size_t size) {
  TiffReader reader(tiff, size);
  if (!reader.ReadByteOrder()) return 1;
  std::uint32_t ifd = 0;
  if (!reader.U32(4, ifd) || ifd < 8) return 1;
  std::uint16_t count = 0;
  if (!reader.U16(ifd, count)) return 1;
  // A directory that claims more entries than the segment holds is not trusted at all.
  if (!reader.Holds(std::size_t{ifd} + 2, std::size_t{count} * 12)) return 1;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t entry = std::size_t{ifd} + 2 + std::size_t{i} * 12;
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t valueCount = 0;
    if (!reader.U16(entry, tag) || !reader.U16(entry + 2, type) ||
        !reader.U32(entry + 4, valueCount)) {
      return 1;  // the directory runs past the segment
    }
    if (tag != kOrientationTag) continue;
    if (valueCount != 1) return 1;
    std::uint32_t value = 0;
    if (type == kTypeShort) {
      std::uint16_t v16 = 0;
      if (!reader.U16(entry + 8, v16)) return 1;
      value = v16;
    } else if (type == kTypeLong) {
      if (!reader.U32(entry + 8, value)) return 1;
    } else {
      return 1;
    }
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
  }
  return 1;
}

}  // namespace

int ReadExifOrientation(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return 1;
  std::size_t pos = 2;
  while (pos < size) {
    if (data[pos] != 0xFF) return 1;                // not at a marker: the header is damaged
    while (pos < size && data[pos] == 0xFF) ++pos;  // fill bytes
    if (pos >= size) return 1;
    const std::uint8_t marker = data[pos++];
    if (marker == 0xDA || marker == 0xD9) return 1;  // picture data or end: no tag
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (size - pos < 2) return 1;
    const std::size_t length = (std::size_t{data[pos]} << 8) | data[pos + 1];
    if (length < 2 || length > size - pos) return 1;
    const std::uint8_t* body = data + pos + 2;
    const std::size_t bodySize = length - 2;
    if (marker == 0xE1 && bodySize >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0) {
      return OrientationFromTiff(body + 6, bodySize - 6);
    }
    pos += length;
  }
  return 1;
}

int ReadTiffOrientation(const std::uint8_t* tiff, std::size_t size) {
  if (tiff == nullptr) return 1;
  return OrientationFromTiff(tiff, size);
}

}  // namespace brevine
