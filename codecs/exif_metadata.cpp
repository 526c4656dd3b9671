#include "exif_metadata.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <numeric>

#include <libexif/exif-data.h>
#include <libexif/exif-log.h>
#include <libexif/exif-mem.h>
#include <libexif/exif-utils.h>

namespace brevine {
namespace {

// libexif reads at most this much TIFF data (a JPEG segment's 0xFFFE bytes less the
// "Exif\0\0" header); a bigger block (HEIF, WebP) is read in its first part only.
constexpr std::size_t kLibraryLimit = 0xFFFE - 6;
constexpr std::size_t kLargestSegment = 65533;
constexpr std::uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};

constexpr std::uint16_t kExifIfdPointer = 0x8769;
// Tags nobody has defined: an entry renamed to it is passed over by the library.
constexpr std::uint16_t kHiddenTag = 0xFFFF;

struct WantedTag {
  std::uint16_t tag;
  ExifIfd ifd;
  ExifFormat format;
  unsigned maxCount;  // longer values are not what the tag means; they are left out
};

// Strings are held to a length no real camera needs, so the segment stays small.
constexpr WantedTag kWanted[] = {
    {EXIF_TAG_MAKE, EXIF_IFD_0, EXIF_FORMAT_ASCII, 256},
    {EXIF_TAG_MODEL, EXIF_IFD_0, EXIF_FORMAT_ASCII, 256},
    {EXIF_TAG_DATE_TIME, EXIF_IFD_0, EXIF_FORMAT_ASCII, 64},
    {EXIF_TAG_EXPOSURE_TIME, EXIF_IFD_EXIF, EXIF_FORMAT_RATIONAL, 1},
    {EXIF_TAG_FNUMBER, EXIF_IFD_EXIF, EXIF_FORMAT_RATIONAL, 1},
    {EXIF_TAG_ISO_SPEED_RATINGS, EXIF_IFD_EXIF, EXIF_FORMAT_SHORT, 4},
    {EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_IFD_EXIF, EXIF_FORMAT_ASCII, 64},
    {EXIF_TAG_DATE_TIME_DIGITIZED, EXIF_IFD_EXIF, EXIF_FORMAT_ASCII, 64},
    {EXIF_TAG_OFFSET_TIME, EXIF_IFD_EXIF, EXIF_FORMAT_ASCII, 64},
    {EXIF_TAG_OFFSET_TIME_ORIGINAL, EXIF_IFD_EXIF, EXIF_FORMAT_ASCII, 64},
    {EXIF_TAG_OFFSET_TIME_DIGITIZED, EXIF_IFD_EXIF, EXIF_FORMAT_ASCII, 64},
    {EXIF_TAG_FOCAL_LENGTH, EXIF_IFD_EXIF, EXIF_FORMAT_RATIONAL, 1},
    {EXIF_TAG_LENS_MODEL, EXIF_IFD_EXIF, EXIF_FORMAT_ASCII, 256},
};

const WantedTag* FindWanted(std::uint16_t tag, ExifIfd ifd) {
  for (const WantedTag& w : kWanted)
    if (w.tag == tag && w.ifd == ifd) return &w;
  return nullptr;
}

// Bytes per value of each TIFF type (1 to 13); 0 for types that do not exist.
std::size_t TypeSize(std::uint16_t type) {
  constexpr std::uint8_t kSizes[14] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
  return type < 14 ? kSizes[type] : 0;
}

// Our own pass over the block before the library sees it. The library loads what it can
// and says little about the rest: a value offset past the end just loses the tag, and an
// Exif IFD pointer back to IFD0 loads IFD0's entries as Exif tags. So the structure is
// checked here, and every entry that is not kept (maker note, GPS and interoperability
// pointers, serial numbers, ...) is renamed to a tag the library ignores, and IFD0's link
// to IFD1 is cut: none of the library's maker-note or thumbnail code ever runs on them.
class BlockCheck {
 public:
  explicit BlockCheck(std::vector<std::uint8_t>& bytes) : b_(bytes) {}

  bool Run() {
    if (b_.size() < 8) return false;
    if (b_[0] == 'I' && b_[1] == 'I') {
      little_ = true;
    } else if (b_[0] == 'M' && b_[1] == 'M') {
      little_ = false;
    } else {
      return false;
    }
    if (U16(2) != 42) return false;
    const std::uint32_t ifd0 = U32(4);
    std::uint32_t exif = 0;
    std::size_t ifd0End = 0;
    if (!Directory(ifd0, EXIF_IFD_0, &exif, &ifd0End)) return false;
    // With its link to the next directory (IFD1, the thumbnail), when the block holds it.
    const bool hasLink = ifd0End + 4 <= b_.size();
    if (hasLink) ifd0End += 4;
    if (exif != 0) {
      std::size_t exifEnd = 0;
      if (!Directory(exif, EXIF_IFD_EXIF, nullptr, &exifEnd)) return false;
      // Directories sharing bytes (an Exif IFD pointing back into IFD0) are no structure.
      if (exifEnd > ifd0 && exif < ifd0End) return false;
      tables_.push_back({exif, exifEnd});
    }
    tables_.push_back({ifd0, ifd0End});
    // The changes below land in the tables; a kept value lying there would change too.
    for (const Range& v : values_)
      for (const Range& t : tables_)
        if (v.begin < t.end && t.begin < v.end) return false;
    if (hasLink) Put32(ifd0End - 4, 0);
    for (std::size_t at : hidden_) Put16(at, kHiddenTag);
    return true;
  }
  bool LittleEndian() const { return little_; }

 private:
  // Checks one directory's table and the values of the tags kept from it, hides the rest.
  // `exifPointer` (IFD0 only) receives the Exif IFD's offset, 0 when there is none.
  bool Directory(std::uint32_t offset, ExifIfd ifd, std::uint32_t* exifPointer, std::size_t* end) {
    if (offset < 8 || std::size_t{offset} + 2 > b_.size()) return false;
    const std::size_t count = U16(offset);
    const std::size_t table = std::size_t{offset} + 2;
    if (table + count * 12 > b_.size()) return false;
    *end = table + count * 12;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t entry = table + i * 12;
      const std::uint16_t tag = U16(entry);
      const std::uint16_t type = U16(entry + 2);
      const std::uint32_t n = U32(entry + 4);
      if (exifPointer && tag == kExifIfdPointer && *exifPointer == 0) {
        if ((type != 4 && type != 13) || n != 1) return false;
        *exifPointer = U32(entry + 8);
        if (*exifPointer == 0) return false;
        continue;
      }
      const WantedTag* w = FindWanted(tag, ifd);
      if (!w || type != w->format || n == 0 || n > w->maxCount) {
        hidden_.push_back(entry);
        continue;
      }
      const std::size_t bytes = TypeSize(type) * n;  // n is small here: no overflow
      if (bytes > 4) {
        const std::size_t at = U32(entry + 8);
        if (at + bytes > b_.size()) return false;
        values_.push_back({at, at + bytes});
      }
    }
    return true;
  }

  struct Range {
    std::size_t begin, end;
  };

  std::uint16_t U16(std::size_t at) const {
    return little_ ? static_cast<std::uint16_t>(b_[at] | b_[at + 1] << 8)
                   : static_cast<std::uint16_t>(b_[at] << 8 | b_[at + 1]);
  }
  std::uint32_t U32(std::size_t at) const {
    const std::uint32_t hi = U16(little_ ? at + 2 : at);
    const std::uint32_t lo = U16(little_ ? at : at + 2);
    return hi << 16 | lo;
  }
  void Put16(std::size_t at, std::uint16_t v) {
    b_[at] = static_cast<std::uint8_t>(little_ ? v : v >> 8);
    b_[at + 1] = static_cast<std::uint8_t>(little_ ? v >> 8 : v);
  }
  void Put32(std::size_t at, std::uint32_t v) {
    Put16(little_ ? at : at + 2, static_cast<std::uint16_t>(v));
    Put16(little_ ? at + 2 : at, static_cast<std::uint16_t>(v >> 16));
  }

  std::vector<std::uint8_t>& b_;
  bool little_ = true;
  std::vector<Range> tables_;        // the directories' entry tables
  std::vector<Range> values_;        // the kept tags' values held outside their entries
  std::vector<std::size_t> hidden_;  // entries renamed once the block has passed
};

struct MemUnref {
  void operator()(ExifMem* m) const { exif_mem_unref(m); }
};
struct DataUnref {
  void operator()(ExifData* d) const { exif_data_unref(d); }
};
struct LogUnref {
  void operator()(ExifLog* l) const { exif_log_unref(l); }
};
struct EntryUnref {
  void operator()(ExifEntry* e) const { exif_entry_unref(e); }
};

extern "C" void NoteCorruption(ExifLog*, ExifLogCode code, const char*, const char*, va_list,
                               void* flag) {
  if (code == EXIF_LOG_CODE_CORRUPT_DATA || code == EXIF_LOG_CODE_NO_MEMORY)
    *static_cast<int*>(flag) = 1;
}

// Adds a copy of the value bytes under the tag; false when memory ran out.
bool AddEntry(ExifMem* mem, ExifContent* content, ExifTag tag, ExifFormat format,
              unsigned long components, const unsigned char* data, unsigned int size) {
  std::unique_ptr<ExifEntry, EntryUnref> e(exif_entry_new_mem(mem));
  if (!e) return false;
  e->data = static_cast<unsigned char*>(exif_mem_alloc(mem, size));
  if (!e->data) return false;
  std::memcpy(e->data, data, size);
  e->size = size;
  e->tag = tag;
  e->format = format;
  e->components = components;
  exif_content_add_entry(content, e.get());
  return true;
}

}  // namespace

std::vector<std::uint8_t> SharedExifSegment(const std::uint8_t* tiff, std::size_t size) {
  if (tiff == nullptr || size == 0) return {};
  std::vector<std::uint8_t> block(sizeof kExifHeader + std::min(size, kLibraryLimit));
  std::memcpy(block.data(), kExifHeader, sizeof kExifHeader);
  std::memcpy(block.data() + sizeof kExifHeader, tiff, block.size() - sizeof kExifHeader);
  std::vector<std::uint8_t> body(block.begin() + sizeof kExifHeader, block.end());
  BlockCheck check(body);
  if (!check.Run()) return {};
  std::memcpy(block.data() + sizeof kExifHeader, body.data(), body.size());
  const ExifByteOrder order =
      check.LittleEndian() ? EXIF_BYTE_ORDER_INTEL : EXIF_BYTE_ORDER_MOTOROLA;

  std::unique_ptr<ExifMem, MemUnref> mem(exif_mem_new_default());
  if (!mem) return {};
  std::unique_ptr<ExifData, DataUnref> source(exif_data_new_mem(mem.get()));
  std::unique_ptr<ExifLog, LogUnref> log(exif_log_new_mem(mem.get()));
  if (!source || !log) return {};
  int corrupt = 0;
  exif_log_set_func(log.get(), NoteCorruption, &corrupt);
  exif_data_log(source.get(), log.get());
  // Unknown tags are dropped (the hidden ones among them); nothing is "fixed": with that
  // option the library adds the tags it deems mandatory and rewrites values.
  exif_data_set_option(source.get(), EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
  exif_data_unset_option(source.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(source.get(), block.data(), static_cast<unsigned>(block.size()));
  if (corrupt || exif_data_get_byte_order(source.get()) != order) return {};

  std::unique_ptr<ExifData, DataUnref> kept(exif_data_new_mem(mem.get()));
  if (!kept) return {};
  exif_data_unset_option(kept.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_set_byte_order(kept.get(), order);
  bool any = false;
  for (const WantedTag& w : kWanted) {
    const ExifEntry* e = exif_content_get_entry(source->ifd[w.ifd], static_cast<ExifTag>(w.tag));
    if (!e || !e->data || e->format != w.format || e->components == 0 ||
        e->components > w.maxCount || e->size != exif_format_get_size(e->format) * e->components) {
      continue;
    }
    if (!AddEntry(mem.get(), kept->ifd[w.ifd], static_cast<ExifTag>(w.tag), e->format,
                  e->components, e->data, e->size)) {
      return {};
    }
    any = true;
  }
  // Orientation alone says nothing about the photo; no segment then.
  if (!any) return {};
  unsigned char upright[2];
  exif_set_short(upright, order, 1);
  if (!AddEntry(mem.get(), kept->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION, EXIF_FORMAT_SHORT, 1,
                upright, sizeof upright)) {
    return {};
  }

  unsigned char* saved = nullptr;
  unsigned int savedSize = 0;
  exif_data_save_data(kept.get(), &saved, &savedSize);
  if (!saved) return {};
  std::vector<std::uint8_t> out;
  if (savedSize > sizeof kExifHeader && savedSize <= kLargestSegment &&
      std::memcmp(saved, kExifHeader, sizeof kExifHeader) == 0) {
    try {
      out.assign(saved, saved + savedSize);
    } catch (...) {
      out.clear();
    }
  }
  exif_mem_free(mem.get(), saved);
  return out;
}

}  // namespace brevine

namespace brevine {

namespace {

struct BlockEntry {
  std::uint16_t tag;
  std::uint16_t type;  // 2 ASCII, 3 SHORT, 4 LONG, 5 RATIONAL
  std::uint32_t count;
  std::vector<std::uint8_t> value;
};

void PutLe(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void AddText(std::vector<BlockEntry>& to, std::uint16_t tag, const std::string& text) {
  if (text.empty()) return;
  BlockEntry e{tag, 2, static_cast<std::uint32_t>(text.size() + 1), {}};
  e.value.assign(text.begin(), text.end());
  e.value.push_back(0);
  to.push_back(std::move(e));
}

// A positive value as a fraction: 1/n for short exposures, tenths or thousandths otherwise.
void AddRational(std::vector<BlockEntry>& to, std::uint16_t tag, const std::optional<double>& v) {
  if (!v || !(*v > 0) || *v > 1e6) return;
  std::uint32_t numerator = 0, denominator = 1;
  if (*v < 1 && std::fabs(1 / *v - std::nearbyint(1 / *v)) < 1e-3) {
    numerator = 1;
    denominator = static_cast<std::uint32_t>(std::nearbyint(1 / *v));
  } else {
    denominator = 1000;
    numerator = static_cast<std::uint32_t>(std::nearbyint(*v * 1000));
    const std::uint32_t common = std::gcd(numerator, denominator);
    if (common > 1) {
      numerator /= common;
      denominator /= common;
    }
  }
  if (numerator == 0) return;
  BlockEntry e{tag, 5, 1, {}};
  PutLe(e.value, numerator, 4);
  PutLe(e.value, denominator, 4);
  to.push_back(std::move(e));
}

// One directory at `at` (its values right behind it), pointing to no next one.
void WriteDirectory(std::vector<std::uint8_t>& out, std::vector<BlockEntry> entries) {
  std::sort(entries.begin(), entries.end(),
            [](const BlockEntry& a, const BlockEntry& b) { return a.tag < b.tag; });
  const std::size_t at = out.size();
  std::size_t values = at + 2 + 12 * entries.size() + 4;
  PutLe(out, entries.size(), 2);
  std::vector<std::uint8_t> tail;
  for (const BlockEntry& e : entries) {
    PutLe(out, e.tag, 2);
    PutLe(out, e.type, 2);
    PutLe(out, e.count, 4);
    if (e.value.size() <= 4) {
      std::vector<std::uint8_t> inline_ = e.value;
      inline_.resize(4, 0);
      out.insert(out.end(), inline_.begin(), inline_.end());
    } else {
      PutLe(out, values + tail.size(), 4);
      tail.insert(tail.end(), e.value.begin(), e.value.end());
      if (tail.size() % 2) tail.push_back(0);
    }
  }
  PutLe(out, 0, 4);
  out.insert(out.end(), tail.begin(), tail.end());
}

}  // namespace

std::vector<std::uint8_t> ExifBlockFromTags(const CameraTags& tags) {
  std::vector<BlockEntry> zero, exif;
  AddText(zero, EXIF_TAG_MAKE, tags.make);
  AddText(zero, EXIF_TAG_MODEL, tags.model);
  AddText(zero, EXIF_TAG_DATE_TIME, tags.dateTime);
  AddText(exif, EXIF_TAG_DATE_TIME_ORIGINAL, tags.dateTimeOriginal);
  AddText(exif, EXIF_TAG_DATE_TIME_DIGITIZED, tags.dateTimeDigitized);
  AddText(exif, EXIF_TAG_LENS_MODEL, tags.lensModel);
  AddRational(exif, EXIF_TAG_EXPOSURE_TIME, tags.exposureTime);
  AddRational(exif, EXIF_TAG_FNUMBER, tags.fNumber);
  AddRational(exif, EXIF_TAG_FOCAL_LENGTH, tags.focalLength);
  if (tags.iso && *tags.iso > 0) {
    BlockEntry e{EXIF_TAG_ISO_SPEED_RATINGS, 3, 1, {}};
    PutLe(e.value, *tags.iso, 2);
    exif.push_back(std::move(e));
  }
  if (zero.empty() && exif.empty()) return {};
  std::vector<std::uint8_t> out = {'I', 'I', 42, 0, 8, 0, 0, 0};
  if (!exif.empty()) zero.push_back({kExifIfdPointer, 4, 1, {0, 0, 0, 0}});
  WriteDirectory(out, zero);
  if (!exif.empty()) {
    // The pointer's value is the Exif directory's offset, which starts where IFD0 ends.
    const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
    for (std::size_t i = 0, n = out[8] | out[9] << 8; i < n; ++i) {
      const std::size_t entry = 10 + 12 * i;
      if ((out[entry] | out[entry + 1] << 8) == kExifIfdPointer) {
        for (int b = 0; b < 4; ++b)
          out[entry + 8 + b] = static_cast<std::uint8_t>(offset >> (8 * b));
      }
    }
    WriteDirectory(out, exif);
  }
  return out;
}

}  // namespace brevine
