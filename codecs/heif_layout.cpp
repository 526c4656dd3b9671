#include "heif_layout.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "codecs.h"

namespace brevine {

namespace {

[[noreturn]] void Refuse(const std::string& why) { throw DecodeError("HEIF: " + why); }

constexpr std::uint32_t FourCc(const char (&s)[5]) {
  return (std::uint32_t(std::uint8_t(s[0])) << 24) | (std::uint32_t(std::uint8_t(s[1])) << 16) |
         (std::uint32_t(std::uint8_t(s[2])) << 8) | std::uint32_t(std::uint8_t(s[3]));
}

std::string TypeName(std::uint32_t type) {
  std::string name;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((type >> shift) & 0xFF);
    name += c >= 0x20 && c < 0x7F ? c : '?';
  }
  return name;
}

std::string Size(std::int64_t width, std::int64_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

std::uint64_t ReadBe(const std::uint8_t* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
  return v;
}

// A box body read front to back; reading past its end refuses the file.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : p_(data), left_(size) {}
  std::uint64_t Read(int bytes) {
    if (bytes < 0 || bytes > 8) Refuse("field of " + std::to_string(bytes) + " bytes");
    if (left_ < static_cast<std::size_t>(bytes)) Refuse("box ends inside its fields");
    const std::uint64_t v = ReadBe(p_, bytes);
    p_ += bytes;
    left_ -= static_cast<std::size_t>(bytes);
    return v;
  }
  const std::uint8_t* Position() const { return p_; }
  std::size_t Left() const { return left_; }

 private:
  const std::uint8_t* p_;
  std::size_t left_;
};

struct Box {
  std::uint32_t type = 0;
  const std::uint8_t* body = nullptr;
  std::size_t size = 0;
};

// The boxes in a range. A box that runs past its container ends the list: nothing after it
// can be found.
std::vector<Box> Children(const std::uint8_t* data, std::size_t size) {
  std::vector<Box> boxes;
  std::size_t pos = 0;
  while (size - pos >= 8) {
    std::uint64_t length = ReadBe(data + pos, 4);
    const auto type = static_cast<std::uint32_t>(ReadBe(data + pos + 4, 4));
    std::size_t header = 8;
    if (length == 1) {
      if (size - pos < 16) break;
      length = ReadBe(data + pos + 8, 8);
      header = 16;
    } else if (length == 0) {
      length = size - pos;
    }
    if (length < header || length > size - pos) break;
    boxes.push_back({type, data + pos + header, static_cast<std::size_t>(length) - header});
    pos += static_cast<std::size_t>(length);
  }
  return boxes;
}

const Box* First(const std::vector<Box>& boxes, std::uint32_t type) {
  for (const Box& b : boxes) {
    if (b.type == type) return &b;
  }
  return nullptr;
}

// Bits of an HEVC parameter set, its emulation-prevention bytes taken out; reading past its
// end gives zeros and marks the reader spent.
class BitReader {
 public:
  // HEVC hides start codes behind emulation-prevention bytes; AV1 has none.
  BitReader(const std::uint8_t* data, std::size_t size, bool emulationPrevention = true) {
    int zeros = 0;
    for (std::size_t i = 0; i < size; ++i) {
      if (emulationPrevention && zeros >= 2 && data[i] == 3) {
        zeros = 0;
        continue;
      }
      zeros = data[i] == 0 ? zeros + 1 : 0;
      bytes_.push_back(data[i]);
    }
  }
  std::uint64_t Bits(int count) {
    std::uint64_t v = 0;
    for (int i = 0; i < count; ++i, ++bit_) {
      const std::size_t byte = bit_ / 8;
      if (byte >= bytes_.size()) {
        spent_ = true;
        return 0;
      }
      v = (v << 1) | ((bytes_[byte] >> (7 - bit_ % 8)) & 1);
    }
    return v;
  }
  // Unsigned Exp-Golomb.
  std::uint64_t Golomb() {
    int zeros = 0;
    while (Bits(1) == 0 && !spent_) {
      if (++zeros > 32) {
        spent_ = true;
        return 0;
      }
    }
    return (std::uint64_t{1} << zeros) - 1 + Bits(zeros);
  }
  bool Spent() const { return spent_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t bit_ = 0;
  bool spent_ = false;
};

// The picture size of the first sequence parameter set in an hvcC box: what the HEVC
// decoder allocates, whatever the ispe says. {0, 0} when there is none to read.
std::pair<std::int64_t, std::int64_t> HevcCodedSize(const Box& hvcC) {
  Reader r(hvcC.body, hvcC.size);
  for (int i = 0; i < 22; ++i) r.Read(1);  // the decoder configuration
  const auto arrays = r.Read(1);
  for (std::uint64_t a = 0; a < arrays; ++a) {
    const auto type = r.Read(1) & 0x3F;
    const auto units = r.Read(2);
    for (std::uint64_t u = 0; u < units; ++u) {
      const auto length = static_cast<std::size_t>(r.Read(2));
      if (length > r.Left()) Refuse("parameter set runs past its box");
      const std::uint8_t* unit = r.Position();
      for (std::size_t i = 0; i < length; ++i) r.Read(1);
      if (type != 33 || length < 2) continue;  // 33: a sequence parameter set
      BitReader b(unit + 2, length - 2);       // behind the two-byte unit header
      b.Bits(4);                               // video parameter set
      const int subLayers = static_cast<int>(b.Bits(3));
      b.Bits(1);
      b.Bits(88 + 8);  // general profile, tier and level
      bool profile[8] = {}, level[8] = {};
      for (int i = 0; i < subLayers; ++i) {
        profile[i] = b.Bits(1) != 0;
        level[i] = b.Bits(1) != 0;
      }
      if (subLayers > 0) b.Bits(2 * (8 - subLayers));
      for (int i = 0; i < subLayers; ++i) b.Bits((profile[i] ? 88 : 0) + (level[i] ? 8 : 0));
      b.Golomb();                      // its own id
      if (b.Golomb() == 3) b.Bits(1);  // 4:4:4 with separate colour planes
      const auto width = static_cast<std::int64_t>(b.Golomb());
      const auto height = static_cast<std::int64_t>(b.Golomb());
      if (b.Spent()) Refuse("sequence parameter set too short");
      return {width, height};
    }
  }
  return {0, 0};
}

// Unsigned LEB128, as AV1 codes its unit sizes.
std::uint64_t Leb128(Reader& r) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) {
    const auto byte = r.Read(1);
    v |= (byte & 0x7F) << (7 * i);
    if ((byte & 0x80) == 0) return v;
  }
  Refuse("unit size of more than 8 bytes");
}

// The largest frame of the first AV1 sequence header among the units: what dav1d may
// allocate for any layer of the stream, whatever the ispe says. {0, 0} when there is none.
std::pair<std::int64_t, std::int64_t> Av1CodedSize(const std::uint8_t* data, std::size_t size) {
  Reader r(data, size);
  while (r.Left() > 0) {
    const auto header = r.Read(1);
    const int type = static_cast<int>((header >> 3) & 15);
    if ((header & 4) != 0) r.Read(1);      // extension: temporal and spatial layer ids
    if ((header & 2) == 0) return {0, 0};  // no size field: the unit runs to the end
    const auto length = Leb128(r);
    if (length > r.Left()) return {0, 0};  // cut short: the decoder's to refuse
    const std::uint8_t* unit = r.Position();
    for (std::uint64_t i = 0; i < length; ++i) r.Read(1);
    if (type != 1) continue;  // 1: a sequence header
    BitReader b(unit, static_cast<std::size_t>(length), false);
    b.Bits(3);  // profile
    b.Bits(1);  // still picture
    if (b.Bits(1) != 0) {
      b.Bits(5);  // the one level of a reduced header
    } else {
      bool decoderModel = false;
      int delayBits = 0;
      if (b.Bits(1) != 0) {  // timing info
        b.Bits(64);
        if (b.Bits(1) != 0) {  // equal picture interval
          int zeros = 0;
          while (b.Bits(1) == 0 && !b.Spent() && zeros < 32) ++zeros;
          b.Bits(zeros);
        }
        decoderModel = b.Bits(1) != 0;
        if (decoderModel) {
          delayBits = static_cast<int>(b.Bits(5)) + 1;
          b.Bits(32 + 5 + 5);
        }
      }
      const bool displayDelay = b.Bits(1) != 0;
      const int points = static_cast<int>(b.Bits(5)) + 1;
      for (int i = 0; i < points; ++i) {
        b.Bits(12);  // which layers the point decodes
        if (b.Bits(5) > 7) b.Bits(1);
        if (decoderModel && b.Bits(1) != 0) b.Bits(2 * delayBits + 1);
        if (displayDelay && b.Bits(1) != 0) b.Bits(4);
      }
    }
    const int widthBits = static_cast<int>(b.Bits(4)) + 1;
    const int heightBits = static_cast<int>(b.Bits(4)) + 1;
    const auto width = static_cast<std::int64_t>(b.Bits(widthBits)) + 1;
    const auto height = static_cast<std::int64_t>(b.Bits(heightBits)) + 1;
    if (b.Spent()) Refuse("AV1 sequence header too short");
    return {width, height};
  }
  return {0, 0};
}

struct Extent {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;  // 0: to the end of the data
};

struct Item {
  std::uint32_t type = 0;                  // 0 when no item-info entry names it
  std::vector<std::uint32_t> properties;   // indices into ipco, from 1
  std::vector<std::uint32_t> inputs;       // dimg references: tiles, overlay inputs
  std::vector<std::uint32_t> auxiliaryOf;  // auxl references: the images this one serves
  int method = -1;                         // construction method; -1 without a location
  std::vector<Extent> extents;
};

constexpr std::uint32_t kHvc1 = FourCc("hvc1");
constexpr std::uint32_t kAv01 = FourCc("av01");
constexpr std::uint32_t kGrid = FourCc("grid");
constexpr std::uint32_t kIovl = FourCc("iovl");
constexpr std::uint32_t kIden = FourCc("iden");

bool IsCoded(std::uint32_t type) { return type == kHvc1 || type == kAv01; }

class Layout {
 public:
  Layout(const std::uint8_t* data, std::size_t size, std::int64_t maxPixels)
      : file_(data), fileSize_(size), maxPixels_(maxPixels) {}

  HeifLayout Read() {
    const auto top = Children(file_, fileSize_);
    const Box* meta = First(top, FourCc("meta"));
    if (meta == nullptr || meta->size < 4) Refuse("no meta box");
    const auto boxes = Children(meta->body + 4, meta->size - 4);
    const Box* pitm = First(boxes, FourCc("pitm"));
    if (pitm == nullptr) Refuse("no primary item");
    {
      Reader r(pitm->body, pitm->size);
      const auto version = r.Read(1);
      r.Read(3);
      out_.primary = static_cast<std::uint32_t>(r.Read(version == 0 ? 2 : 4));
    }
    if (const Box* b = First(boxes, FourCc("iinf"))) ReadItemInfo(*b);
    if (const Box* b = First(boxes, FourCc("iloc"))) ReadLocations(*b);
    if (const Box* b = First(boxes, FourCc("iref"))) ReadReferences(*b);
    if (const Box* b = First(boxes, FourCc("idat"))) idat_ = *b;
    if (const Box* iprp = First(boxes, FourCc("iprp"))) {
      const auto parts = Children(iprp->body, iprp->size);
      if (const Box* ipco = First(parts, FourCc("ipco")))
        properties_ = Children(ipco->body, ipco->size);
      for (const Box& b : parts) {
        if (b.type == FourCc("ipma")) ReadAssociations(b);
      }
    }

    const Item& primary = Find(out_.primary);
    if (const auto size = DeclaredSize(out_.primary, primary)) {
      out_.width = size->first;
      out_.height = size->second;
    }
    Plan(out_.primary, 0);
    // The coded data, each stretch counted once however many tiles share it, is what has to
    // fill the pictures; it lies within the file.
    std::int64_t bytes = 0;
    for (const auto& [method, offset, length] : codedData_) {
      const std::size_t sourceSize = method == 0 ? fileSize_ : idat_.size;
      if (offset >= sourceSize) continue;
      const std::uint64_t left = sourceSize - offset;
      bytes += static_cast<std::int64_t>(length == 0 ? left : std::min(length, left));
    }
    bytes = std::min(bytes, static_cast<std::int64_t>(fileSize_));
    if (out_.pixels > kProportionCheckPixels && bytes < out_.pixels / kMostPixelsPerByte) {
      Refuse("data too short for the announced size (" + std::to_string(out_.pixels) +
             " pixels in " + std::to_string(bytes) + " bytes of picture data)");
    }
    return out_;
  }

 private:
  Item& Slot(std::uint32_t id) { return items_[id]; }

  const Item& Find(std::uint32_t id) const {
    const auto it = items_.find(id);
    if (it == items_.end() || it->second.type == 0) {
      Refuse("item " + std::to_string(id) + " is not declared");
    }
    return it->second;
  }

  void ReadItemInfo(const Box& iinf) {
    Reader r(iinf.body, iinf.size);
    const auto version = r.Read(1);
    r.Read(3);
    r.Read(version == 0 ? 2 : 4);  // the count; the boxes that follow are what counts
    for (const Box& infe : Children(r.Position(), r.Left())) {
      if (infe.type != FourCc("infe")) continue;
      Reader e(infe.body, infe.size);
      const auto v = e.Read(1);
      e.Read(3);
      if (v < 2) continue;  // no item type: nothing libheif decodes
      const auto id = static_cast<std::uint32_t>(e.Read(v == 2 ? 2 : 4));
      e.Read(2);  // protection index
      Item& item = Slot(id);
      if (item.type == 0) item.type = static_cast<std::uint32_t>(e.Read(4));
    }
  }

  void ReadLocations(const Box& iloc) {
    Reader r(iloc.body, iloc.size);
    const auto version = r.Read(1);
    r.Read(3);
    if (version > 2) Refuse("item locations of version " + std::to_string(version));
    const auto sizes = r.Read(1);
    const int offsetSize = static_cast<int>(sizes >> 4), lengthSize = static_cast<int>(sizes & 15);
    const auto more = r.Read(1);
    const int baseSize = static_cast<int>(more >> 4);
    const int indexSize = version >= 1 ? static_cast<int>(more & 15) : 0;
    const int idSize = version < 2 ? 2 : 4;
    const auto count = r.Read(idSize);
    for (std::uint64_t i = 0; i < count; ++i) {
      const auto id = static_cast<std::uint32_t>(r.Read(idSize));
      const int method = version >= 1 ? static_cast<int>(r.Read(2) & 15) : 0;
      r.Read(2);  // data reference
      const auto base = r.Read(baseSize);
      const auto extents = r.Read(2);
      // Fields of no width would let a few bytes declare millions of extents.
      if (extents > 1 && indexSize + offsetSize + lengthSize == 0) {
        Refuse("item locations without offsets");
      }
      Item& item = Slot(id);
      const bool first = item.method < 0;
      if (first) item.method = method;
      for (std::uint64_t e = 0; e < extents; ++e) {
        r.Read(indexSize);
        const auto offset = r.Read(offsetSize);
        const auto length = r.Read(lengthSize);
        if (first) item.extents.push_back({base + offset, length});
      }
    }
  }

  void ReadReferences(const Box& iref) {
    Reader r(iref.body, iref.size);
    const auto version = r.Read(1);
    r.Read(3);
    const int idSize = version == 0 ? 2 : 4;
    const auto refs = Children(r.Position(), r.Left());
    // libheif reads a reference that runs past its box; one this reader cannot see would
    // leave the two disagreeing on what an image derives from.
    const std::size_t seen =
        refs.empty() ? 0
                     : static_cast<std::size_t>(refs.back().body + refs.back().size - r.Position());
    if (r.Left() - seen >= 8) Refuse("item references run past their box");
    for (const Box& ref : refs) {
      const bool dimg = ref.type == FourCc("dimg"), auxl = ref.type == FourCc("auxl");
      if (!dimg && !auxl) continue;
      Reader e(ref.body, ref.size);
      const auto from = static_cast<std::uint32_t>(e.Read(idSize));
      const auto count = e.Read(2);
      Item& item = Slot(from);
      for (std::uint64_t i = 0; i < count; ++i) {
        const auto to = static_cast<std::uint32_t>(e.Read(idSize));
        (dimg ? item.inputs : item.auxiliaryOf).push_back(to);
      }
    }
  }

  void ReadAssociations(const Box& ipma) {
    Reader r(ipma.body, ipma.size);
    const auto version = r.Read(1);
    const bool wide = (r.Read(3) & 1) != 0;
    const auto entries = r.Read(4);
    for (std::uint64_t i = 0; i < entries; ++i) {
      const auto id = static_cast<std::uint32_t>(r.Read(version < 1 ? 2 : 4));
      const auto count = r.Read(1);
      Item& item = Slot(id);
      for (std::uint64_t a = 0; a < count; ++a) {
        const auto value = r.Read(wide ? 2 : 1);
        item.properties.push_back(static_cast<std::uint32_t>(value & (wide ? 0x7FFF : 0x7F)));
      }
    }
  }

  const Box* Property(const Item& item, std::uint32_t type) const {
    for (std::uint32_t index : item.properties) {
      if (index >= 1 && index <= properties_.size() && properties_[index - 1].type == type) {
        return &properties_[index - 1];
      }
    }
    return nullptr;
  }

  bool IsAlpha(const Item& item) const {
    const Box* auxC = Property(item, FourCc("auxC"));
    if (auxC == nullptr || auxC->size <= 4) return false;
    const char* text = reinterpret_cast<const char*>(auxC->body + 4);
    const std::string type(text, strnlen(text, auxC->size - 4));
    return type == "urn:mpeg:avc:2015:auxid:1" || type == "urn:mpeg:hevc:2015:auxid:1" ||
           type == "urn:mpeg:mpegB:cicp:systems:auxiliary:alpha";
  }

  // The item's ispe, within the bounds, and its crop within it; nullopt without an ispe
  // (libheif then takes the size from what it decodes).
  std::optional<std::pair<std::int64_t, std::int64_t>> DeclaredSize(std::uint32_t id,
                                                                    const Item& item) const {
    const Box* ispe = Property(item, FourCc("ispe"));
    if (ispe == nullptr) return std::nullopt;
    Reader r(ispe->body, ispe->size);
    r.Read(4);
    const auto width = static_cast<std::int64_t>(r.Read(4));
    const auto height = static_cast<std::int64_t>(r.Read(4));
    if (width <= 0 || height <= 0) Refuse("image " + std::to_string(id) + " of zero size");
    if (width > maxPixels_ / height) Refuse("image of " + Size(width, height) + " is too large");
    if (const Box* clap = Property(item, FourCc("clap"))) CheckCrop(*clap, width, height);
    return std::make_pair(width, height);
  }

  // The ispe is the HEVC picture cut to its conformance window: the coded size is at least
  // the ispe and exceeds it by less than one 64 x 64 block. (A turned grid's tiles may
  // come turned, as its ispe does.)
  // What the decoder allocates for a coded item: an HEVC picture checked against the ispe,
  // the largest frame an AV1 sequence header allows (layers may be larger than the one
  // the ispe describes), or the ispe alone where the data names no size.
  void PlanCoded(std::uint32_t id, const Item& item,
                 const std::optional<std::pair<std::int64_t, std::int64_t>>& declared) {
    std::pair<std::int64_t, std::int64_t> coded{0, 0};
    if (item.type == kHvc1) {
      if (const Box* hvcC = Property(item, FourCc("hvcC"))) coded = HevcCodedSize(*hvcC);
      if (declared && coded.first != 0 && coded.second != 0) {
        const auto fits = [](std::int64_t c, std::int64_t side) {
          return c >= side && c <= (side + 63) / 64 * 64;
        };
        const auto [width, height] = *declared;
        if (!(fits(coded.first, width) && fits(coded.second, height)) &&
            !(fits(coded.first, height) && fits(coded.second, width))) {
          Refuse("image " + std::to_string(id) + " codes " + Size(coded.first, coded.second) +
                 " pixels for " + Size(width, height));
        }
      }
    } else {
      const Box* av1C = Property(item, FourCc("av1C"));
      if (av1C != nullptr && av1C->size > 4) coded = Av1CodedSize(av1C->body + 4, av1C->size - 4);
      if (coded.first == 0) {
        const auto head = Head(id, item, 4096);
        coded = Av1CodedSize(head.data(), head.size());
      }
    }
    NoteData(item);
    if (declared) Allocates(declared->first, declared->second);
    if (coded.first != 0 && coded.second != 0 &&
        (!declared || coded.first * coded.second != declared->first * declared->second)) {
      Allocates(coded.first, coded.second);
    }
  }

  // A crop whose rectangle lies within the picture, allowing for libheif's rounding.
  static void CheckCrop(const Box& clap, std::int64_t width, std::int64_t height) {
    Reader r(clap.body, clap.size);
    long double v[8];
    for (int i = 0; i < 8; ++i) {
      const auto raw = static_cast<std::uint32_t>(r.Read(4));
      // The offsets (fields 4 and 6) are signed.
      v[i] = (i == 4 || i == 6) ? static_cast<long double>(static_cast<std::int32_t>(raw))
                                : static_cast<long double>(raw);
    }
    const std::int64_t sides[2] = {width, height};
    for (int axis = 0; axis < 2; ++axis) {
      // Width and height (N, D) come first, then the horizontal and vertical offsets.
      const long double sizeD = v[2 * axis + 1], offsetD = v[2 * axis + 5];
      if (sizeD == 0 || offsetD == 0) Refuse("crop box with a zero denominator");
      const long double side = static_cast<long double>(sides[axis]);
      const long double crop = v[2 * axis] / sizeD, offset = v[2 * axis + 4] / offsetD;
      const long double first = offset + (side - crop) / 2;
      if (crop < 1 || crop > side || first < -1 || first + crop > side + 1) {
        Refuse("crop box outside its " + Size(width, height) + " picture");
      }
    }
  }

  // The first bytes of an item's data (a grid's or an overlay's description).
  std::vector<std::uint8_t> Head(std::uint32_t id, const Item& item, std::size_t want) const {
    const std::uint8_t* source = nullptr;
    std::size_t sourceSize = 0;
    if (item.method == 0) {
      source = file_;
      sourceSize = fileSize_;
    } else if (item.method == 1) {
      source = idat_.body;
      sourceSize = idat_.size;
    } else {
      Refuse("data of item " + std::to_string(id) + " cannot be found");
    }
    std::vector<std::uint8_t> head;
    for (const Extent& e : item.extents) {
      if (head.size() >= want) break;
      if (e.offset > sourceSize) Refuse("data of item " + std::to_string(id) + " outside the file");
      const std::size_t left = sourceSize - static_cast<std::size_t>(e.offset);
      if (e.length > left) Refuse("data of item " + std::to_string(id) + " outside the file");
      const std::size_t length = e.length == 0 ? left : static_cast<std::size_t>(e.length);
      const std::size_t take = std::min(length, want - head.size());
      head.insert(head.end(), source + e.offset, source + e.offset + take);
    }
    return head;
  }

  void NoteData(const Item& item) {
    if (item.method != 0 && item.method != 1) return;
    for (const Extent& e : item.extents) codedData_.insert({item.method, e.offset, e.length});
  }

  void Allocates(std::int64_t width, std::int64_t height) {
    if (width > maxPixels_ / height) Refuse("image of " + Size(width, height) + " is too large");
    out_.pixels += width * height;
    if (out_.pixels > 4 * maxPixels_)
      Refuse("pictures of more than " + std::to_string(4 * maxPixels_) + " pixels");
  }

  // Adds what decoding the item allocates, and its alpha image, which libheif decodes
  // beside it whatever the caller asks for; depth counts the images above it.
  void Plan(std::uint32_t id, int depth) {
    if (depth > kMostDepth) Refuse("derived images nested too deep");
    // Overlays may name one input many times over, at every level.
    if (++planned_ > kMostPlans) Refuse("too many images to decode");
    const Item& item = Find(id);
    const auto declared = DeclaredSize(id, item);
    if (IsCoded(item.type)) {
      PlanCoded(id, item, declared);
    } else if (item.type == kGrid) {
      PlanGrid(id, item, declared);
    } else if (item.type == kIovl) {
      const auto head = Head(id, item, 18);
      if (head.size() < 2) Refuse("overlay description too short");
      const int field = (head[1] & 1) ? 4 : 2;
      if (head.size() < static_cast<std::size_t>(10 + 2 * field)) {
        Refuse("overlay description too short");
      }
      const auto canvasWidth = static_cast<std::int64_t>(ReadBe(&head[10], field));
      const auto canvasHeight = static_cast<std::int64_t>(ReadBe(&head[10 + field], field));
      // libheif makes the canvas the description's size; a handle of another size would
      // fail the check after the decode, so it fails here before the canvas is made.
      if (declared && (canvasWidth != declared->first || canvasHeight != declared->second)) {
        Refuse("overlay canvas " + Size(canvasWidth, canvasHeight) + " disagrees with its size " +
               Size(declared->first, declared->second));
      }
      if (canvasWidth <= 0 || canvasHeight <= 0) Refuse("overlay canvas of zero size");
      if (item.inputs.empty()) Refuse("overlay without inputs");
      Allocates(canvasWidth, canvasHeight);
      for (std::uint32_t input : item.inputs) PlanInput(id, input, depth);
    } else if (item.type == kIden) {
      if (item.inputs.empty()) Refuse("identity image " + std::to_string(id) + " without an input");
      for (std::uint32_t input : item.inputs) PlanInput(id, input, depth);
    }
    // Any other type is libheif's to decode or refuse: nothing here knows its sizes, and
    // libheif's own bound on every side holds for it.
    for (const auto& [auxiliary, a] : items_) {
      if (std::find(a.auxiliaryOf.begin(), a.auxiliaryOf.end(), id) != a.auxiliaryOf.end() &&
          IsAlpha(a)) {
        Plan(auxiliary, depth + 1);
      }
    }
  }

  // An overlay's or identity's input. libheif 1.15 stops the process (a failed assertion)
  // when a derived image names an item it does not hold as a picture, so such a file is
  // refused here first.
  void PlanInput(std::uint32_t id, std::uint32_t input, int depth) {
    const std::uint32_t type = Find(input).type;
    if (!IsCoded(type) && type != kGrid && type != kIovl && type != kIden) {
      Refuse("image " + std::to_string(id) + " derives from item " + std::to_string(input) +
             " of type " + TypeName(type) + ", which is not a picture");
    }
    Plan(input, depth + 1);
  }

  void PlanGrid(std::uint32_t id, const Item& item,
                const std::optional<std::pair<std::int64_t, std::int64_t>>& declared) {
    // Version, flags, rows - 1, columns - 1, then the canvas in 16 or 32 bits.
    const auto head = Head(id, item, 12);
    if (head.size() < 2) Refuse("grid description too short");
    const int field = (head[1] & 1) ? 4 : 2;
    if (head.size() < static_cast<std::size_t>(4 + 2 * field)) Refuse("grid description too short");
    const std::int64_t rows = head[2] + 1, columns = head[3] + 1;
    const auto canvasWidth = static_cast<std::int64_t>(ReadBe(&head[4], field));
    const auto canvasHeight = static_cast<std::int64_t>(ReadBe(&head[4 + field], field));
    // libheif allocates the canvas the description names; a handle of another size would
    // fail the check after the decode. libheif 1.15 writes the ispe of a turned grid
    // turned as well: the same pixels.
    if (declared) {
      const auto [width, height] = *declared;
      if ((canvasWidth != width || canvasHeight != height) &&
          (canvasWidth != height || canvasHeight != width)) {
        Refuse("grid canvas " + Size(canvasWidth, canvasHeight) + " disagrees with its size " +
               Size(width, height));
      }
    }
    if (canvasWidth <= 0 || canvasHeight <= 0) Refuse("grid canvas of zero size");
    if (static_cast<std::int64_t>(item.inputs.size()) != rows * columns) {
      Refuse("grid of " + std::to_string(rows) + "x" + std::to_string(columns) + " tiles names " +
             std::to_string(item.inputs.size()));
    }
    std::int64_t tileWidth = 0, tileHeight = 0;
    for (std::uint32_t tile : item.inputs) {
      const Item& t = Find(tile);
      if (!IsCoded(t.type)) Refuse("grid tile of type " + TypeName(t.type));
      const auto size = DeclaredSize(tile, t);
      if (!size) Refuse("grid tile " + std::to_string(tile) + " declares no size");
      const auto [w, h] = *size;
      const std::int64_t before = out_.pixels;
      PlanCoded(tile, t, size);
      // Tiles decode one after another: one tile's pictures count, not every tile's.
      if (tileWidth != 0) out_.pixels = before;
      if (tileWidth == 0) {
        tileWidth = w;
        tileHeight = h;
      } else if (w != tileWidth || h != tileHeight) {
        Refuse("grid tiles of " + Size(tileWidth, tileHeight) + " and " + Size(w, h));
      }
    }
    // The tiles cover the canvas, which may cut the last row and column short but leaves
    // none of them out.
    if (columns * tileWidth < canvasWidth || (columns - 1) * tileWidth >= canvasWidth ||
        rows * tileHeight < canvasHeight || (rows - 1) * tileHeight >= canvasHeight) {
      Refuse(std::to_string(rows) + "x" + std::to_string(columns) + " tiles of " +
             Size(tileWidth, tileHeight) + " do not make a " + Size(canvasWidth, canvasHeight) +
             " canvas");
    }
    Allocates(canvasWidth, canvasHeight);
  }

  const std::uint8_t* file_;
  std::size_t fileSize_;
  std::int64_t maxPixels_;
  std::map<std::uint32_t, Item> items_;
  std::vector<Box> properties_;
  Box idat_;
  HeifLayout out_;
  static constexpr int kMostPlans = 1 << 17;  // two grids of 256 x 256 tiles
  static constexpr int kMostDepth = 8;
  int planned_ = 0;
  // Construction method, offset and length of every stretch of coded data to decode.
  std::set<std::tuple<int, std::uint64_t, std::uint64_t>> codedData_;
};

}  // namespace

HeifLayout ReadHeifLayout(const std::uint8_t* data, std::size_t size, std::int64_t maxPixels) {
  return Layout(data, size, maxPixels).Read();
}

}  // namespace brevine
