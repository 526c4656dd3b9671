#pragma once
// EXIF blocks made in code with libexif, as cameras write them, and a reader of written
// segments that drops and fixes nothing.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

namespace brevine::test {

using Bytes = std::vector<std::uint8_t>;

struct Tag {
  int ifd;
  int tag;
  int format;
  unsigned long count;
  Bytes value;
  bool operator==(const Tag&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Tag& t) {
  return os << "ifd " << t.ifd << " tag 0x" << std::hex << t.tag << std::dec << " format "
            << t.format << " count " << t.count << " (" << t.value.size() << " bytes)";
}

// Source blocks made with the library, as a camera's would be: every kept tag and every
// kind of tag that must not travel.
class SourceBlock {
 public:
  explicit SourceBlock(ExifByteOrder order) : data_(exif_data_new()), order_(order) {
    exif_data_unset_option(data_, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_byte_order(data_, order);
  }
  ~SourceBlock() { exif_data_unref(data_); }

  SourceBlock& Add(ExifIfd ifd, int tag, ExifFormat format, unsigned long count, Bytes value) {
    ExifEntry* e = exif_entry_new();
    e->tag = static_cast<ExifTag>(tag);
    e->format = format;
    e->components = count;
    e->size = static_cast<unsigned>(value.size());
    e->data = static_cast<unsigned char*>(std::malloc(value.size()));
    std::memcpy(e->data, value.data(), value.size());
    exif_content_add_entry(data_->ifd[ifd], e);
    exif_entry_unref(e);
    tags_.push_back({ifd, tag, format, count, std::move(value)});
    return *this;
  }
  SourceBlock& Text(ExifIfd ifd, int tag, const std::string& text) {
    Bytes v(text.begin(), text.end());
    v.push_back(0);
    const auto n = v.size();
    return Add(ifd, tag, EXIF_FORMAT_ASCII, n, std::move(v));
  }
  SourceBlock& Rational(ExifIfd ifd, int tag, std::uint32_t num, std::uint32_t den) {
    Bytes v(8);
    exif_set_long(v.data(), order_, num);
    exif_set_long(v.data() + 4, order_, den);
    return Add(ifd, tag, EXIF_FORMAT_RATIONAL, 1, std::move(v));
  }
  SourceBlock& Short(ExifIfd ifd, int tag, std::uint16_t value) {
    Bytes v(2);
    exif_set_short(v.data(), order_, value);
    return Add(ifd, tag, EXIF_FORMAT_SHORT, 1, std::move(v));
  }
  SourceBlock& Thumbnail() {
    data_->data = static_cast<unsigned char*>(std::malloc(64));
    std::memset(data_->data, 0x5A, 64);
    data_->data[0] = 0xFF;
    data_->data[1] = 0xD8;
    data_->size = 64;
    return Short(EXIF_IFD_1, EXIF_TAG_COMPRESSION, 6);
  }

  // The block from its TIFF header, as SourceInfo holds it.
  Bytes Tiff() const {
    unsigned char* out = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data_, &out, &size);
    Bytes tiff(out + 6, out + size);
    std::free(out);
    return tiff;
  }
  const std::vector<Tag>& Tags() const { return tags_; }

 private:
  ExifData* data_;
  ExifByteOrder order_;
  std::vector<Tag> tags_;
};

// Every kept tag, then what must be dropped: GPS, maker note, thumbnail, serial numbers,
// owner and artist, and an Orientation that the written pixels no longer need.
inline SourceBlock CameraBlock(ExifByteOrder order) {
  SourceBlock b(order);
  b.Text(EXIF_IFD_0, EXIF_TAG_MAKE, "Canon")
      .Text(EXIF_IFD_0, EXIF_TAG_MODEL, "Canon EOS R6")
      .Text(EXIF_IFD_0, EXIF_TAG_DATE_TIME, "2024:05:06 07:08:09")
      .Text(EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, "2024:05:06 07:08:01")
      .Text(EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_DIGITIZED, "2024:05:06 07:08:02")
      .Text(EXIF_IFD_EXIF, EXIF_TAG_OFFSET_TIME, "+02:00")
      .Text(EXIF_IFD_EXIF, EXIF_TAG_OFFSET_TIME_ORIGINAL, "+02:00")
      .Text(EXIF_IFD_EXIF, EXIF_TAG_OFFSET_TIME_DIGITIZED, "+01:00")
      .Rational(EXIF_IFD_EXIF, EXIF_TAG_EXPOSURE_TIME, 1, 250)
      .Rational(EXIF_IFD_EXIF, EXIF_TAG_FNUMBER, 28, 10)
      .Short(EXIF_IFD_EXIF, EXIF_TAG_ISO_SPEED_RATINGS, 800)
      .Rational(EXIF_IFD_EXIF, EXIF_TAG_FOCAL_LENGTH, 50, 1)
      .Text(EXIF_IFD_EXIF, EXIF_TAG_LENS_MODEL, "RF50mm F1.8 STM");
  b.Short(EXIF_IFD_0, EXIF_TAG_ORIENTATION, 6)
      .Text(EXIF_IFD_0, EXIF_TAG_ARTIST, "SECRET-ARTIST")
      .Text(EXIF_IFD_0, EXIF_TAG_COPYRIGHT, "SECRET-COPYRIGHT")
      .Text(EXIF_IFD_EXIF, EXIF_TAG_BODY_SERIAL_NUMBER, "SECRET-BODY")
      .Text(EXIF_IFD_EXIF, EXIF_TAG_LENS_SERIAL_NUMBER, "SECRET-LENS")
      .Text(EXIF_IFD_EXIF, EXIF_TAG_CAMERA_OWNER_NAME, "SECRET-OWNER")
      .Add(EXIF_IFD_EXIF, EXIF_TAG_MAKER_NOTE, EXIF_FORMAT_UNDEFINED, 14,
           {'S', 'E', 'C', 'R', 'E', 'T', '-', 'N', 'O', 'T', 'E', 0, 0, 0})
      .Text(EXIF_IFD_GPS, EXIF_TAG_GPS_LATITUDE_REF, "N")
      .Add(EXIF_IFD_GPS, EXIF_TAG_GPS_LATITUDE, EXIF_FORMAT_RATIONAL, 3, Bytes(24, 0x47))
      .Text(EXIF_IFD_INTEROPERABILITY, EXIF_TAG_INTEROPERABILITY_INDEX, "R98")
      .Thumbnail();
  return b;
}

// The tags a shared copy keeps: CameraBlock adds them first.
inline std::vector<Tag> KeptTags(const SourceBlock& b) {
  return {b.Tags().begin(), b.Tags().begin() + 13};
}

struct Written {
  ExifByteOrder order = EXIF_BYTE_ORDER_INTEL;
  std::vector<Tag> tags;  // sorted by IFD and tag
  unsigned thumbnailBytes = 0;
};

// Reads a written segment back with nothing dropped or fixed by the reader.
inline Written ReadBack(const Bytes& segment) {
  Written w;
  ExifData* d = exif_data_new();
  exif_data_unset_option(d, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_unset_option(d, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
  exif_data_load_data(d, segment.data(), static_cast<unsigned>(segment.size()));
  w.order = exif_data_get_byte_order(d);
  for (int ifd = 0; ifd < EXIF_IFD_COUNT; ++ifd) {
    for (unsigned i = 0; i < d->ifd[ifd]->count; ++i) {
      const ExifEntry* e = d->ifd[ifd]->entries[i];
      w.tags.push_back({ifd, e->tag, e->format, e->components, Bytes(e->data, e->data + e->size)});
    }
  }
  w.thumbnailBytes = d->size;
  exif_data_unref(d);
  std::sort(w.tags.begin(), w.tags.end(), [](const Tag& a, const Tag& b) {
    return std::tie(a.ifd, a.tag) < std::tie(b.ifd, b.tag);
  });
  return w;
}

}  // namespace brevine::test
