#pragma once
// HEIF files assembled box by box around pictures libheif's encoder made: the structures
// its encoder never writes (identity and overlay items, layered items, a thumbnail larger
// than its primary), and libheif's own decode of any file to hold a decoder to.

#include <cstdint>
#include <string>
#include <vector>

namespace brevine::test {

using Bytes = std::vector<std::uint8_t>;

// One item of a built file. Coded items ("hvc1", "av01") keep their data in mdat, the
// others ("iden", "iovl", "grid", anything) in idat.
struct BuiltItem {
  std::uint32_t id = 0;
  std::string type;
  std::vector<Bytes> properties;  // whole boxes, in association order
  Bytes data;
  std::vector<std::uint32_t> inputs;  // dimg references
  std::uint32_t thumbnailOf = 0;      // a thmb reference
  std::uint32_t auxiliaryOf = 0;      // an auxl reference
  bool hidden = false;
};

// The only coded item of a file EncodeHeif wrote (no grid, no alpha): its type, its
// properties but the ispe, its data and its declared size.
struct CodedPicture {
  std::string type;
  std::vector<Bytes> properties;
  Bytes data;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};
CodedPicture TakeCodedPicture(const Bytes& file);

// The item as a BuiltItem with that id, its ispe first.
BuiltItem CodedItem(std::uint32_t id, const CodedPicture& picture);

Bytes BuildHeif(std::uint32_t primary, const std::vector<BuiltItem>& items, bool av1);

// Boxes.
Bytes MakeBox(const char* type, const Bytes& body);
Bytes IspeBox(std::uint32_t width, std::uint32_t height);
// A crop of width x height whose centre lies (dx, dy) from the picture's centre.
Bytes ClapBox(std::int32_t width, std::int32_t height, std::int32_t dx, std::int32_t dy);
// An overlay's description: a canvas of 16-bit sides filled with opaque black, and each
// input's offset.
Bytes OverlayData(std::uint16_t width, std::uint16_t height,
                  const std::vector<std::pair<std::int16_t, std::int16_t>>& offsets);

// libheif's decode of the primary to 8-bit RGB, or its error.
struct ReferencePicture {
  std::string error;  // empty when decoded
  int width = 0;
  int height = 0;
  Bytes rgb;  // rows of width x 3 bytes
};
ReferencePicture LibheifDecode(const Bytes& file);

}  // namespace brevine::test
