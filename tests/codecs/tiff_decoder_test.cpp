// TIFF decoding against tiff2rgba on files written here with libtiff in several layouts
// (strips and tiles, contiguous and separate planes, compressions, depths, photometrics,
// alpha), the Orientation tag applied once, the profile and camera tags beside the pixels,
// and damaged files refused with their reason before anything large is allocated.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "codecs.h"
#include "exif_metadata.h"
#include "imaging.h"
#include "loaded_file.h"
#include "test_images.h"
#include "test_profiles.h"

namespace brevine {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Layout {
  int samples = 3;  // 1 grey, 3 RGB, 4 RGB and alpha
  int bits = 8;
  int compression = COMPRESSION_NONE;
  bool separate = false;
  int tile = 0;  // side of square tiles; 0: strips
  int rowsPerStrip = 5;
  int photometric = -1;  // default: by the samples
  int orientation = 1;
  bool associatedAlpha = false;
  const char* name = "";
};

// A sample value of (x, y, channel) at the layout's depth: distinct colours everywhere.
std::uint32_t SampleAt(int x, int y, int c, int bits) {
  const std::uint32_t top = (1u << bits) - 1;
  const std::uint32_t v = static_cast<std::uint32_t>(x * 37 + y * 91 + c * 53 + (x * y) % 29);
  return bits == 1 ? ((x / 3 + y / 2 + c) & 1) : (v * 2654435761u >> 8) % (top + 1);
}

// Writes a width x height picture in the layout, with extra tags set by `more`.
void WriteTiff(const std::string& path, int width, int height, const Layout& layout,
               const std::function<void(TIFF*)>& more = {}) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, layout.samples);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, layout.bits);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, layout.compression);
  const int photometric = layout.photometric >= 0
                              ? layout.photometric
                              : (layout.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG,
               layout.separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, layout.orientation);
  if (layout.samples == 4) {
    const std::uint16_t extra =
        layout.associatedAlpha ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  if (photometric == PHOTOMETRIC_PALETTE) {
    std::vector<std::uint16_t> r(1u << layout.bits), g(r.size()), b(r.size());
    for (std::size_t i = 0; i < r.size(); ++i) {
      r[i] = static_cast<std::uint16_t>(i * 4099 % 65536);
      g[i] = static_cast<std::uint16_t>(65535 - i * 2111 % 65536);
      b[i] = static_cast<std::uint16_t>(i * 30011 % 65536);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
  }
  if (more) more(tif);
  const int planes = layout.separate ? layout.samples : 1;
  const int perPixel = layout.separate ? 1 : layout.samples;
  // Packs the samples of a run of pixels at the depth, MSB first.
  const auto pack = [&](int x0, int x1, int y, int plane, Bytes& out) {
    std::uint64_t acc = 0;
    int held = 0;
    for (int x = x0; x < x1; ++x) {
      for (int s = 0; s < perPixel; ++s) {
        const int c = layout.separate ? plane : s;
        const std::uint32_t v = x < width && y < height ? SampleAt(x, y, c, layout.bits) : 0;
        if (layout.bits == 16) {
          // Native order, as libtiff takes its buffers.
          out.push_back(static_cast<std::uint8_t>(v & 0xFF));
          out.push_back(static_cast<std::uint8_t>(v >> 8));
          continue;
        }
        acc = (acc << layout.bits) | v;
        held += layout.bits;
        while (held >= 8) {
          held -= 8;
          out.push_back(static_cast<std::uint8_t>(acc >> held));
        }
      }
    }
    if (held > 0) out.push_back(static_cast<std::uint8_t>(acc << (8 - held)));
  };
  if (layout.tile > 0) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, layout.tile);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, layout.tile);
    for (int plane = 0; plane < planes; ++plane) {
      for (int ty = 0; ty < height; ty += layout.tile) {
        for (int tx = 0; tx < width; tx += layout.tile) {
          Bytes tile;
          for (int y = ty; y < ty + layout.tile; ++y) pack(tx, tx + layout.tile, y, plane, tile);
          ASSERT_GE(TIFFWriteTile(tif, tile.data(), tx, ty, 0, plane), 0);
        }
      }
    }
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, layout.rowsPerStrip);
    for (int plane = 0; plane < planes; ++plane) {
      for (int y = 0; y < height; ++y) {
        Bytes row;
        pack(0, width, y, plane, row);
        ASSERT_EQ(TIFFWriteScanline(tif, row.data(), y, plane), 1) << layout.name;
      }
    }
  }
  TIFFClose(tif);
}

// tiff2rgba's picture of the file, without alpha, read from its uncompressed RGB output.
WorkBitmap Tiff2Rgba(const test::TempFolder& folder, const std::string& in) {
  const std::string out = folder / "rgba.tif";
  const std::string command = "tiff2rgba -c none -n '" + in + "' '" + out + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  TIFF* tif = TIFFOpen(out.c_str(), "r");
  if (tif == nullptr) return {};
  std::uint32_t width = 0, height = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  WorkBitmap bitmap(static_cast<int>(width), static_cast<int>(height));
  Bytes row(TIFFScanlineSize(tif));
  for (std::uint32_t y = 0; y < height; ++y) {
    TIFFReadScanline(tif, row.data(), y, 0);
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint8_t* p = bitmap.Row(static_cast<int>(y)) + 3 * x;
      p[0] = row[3 * x + 2];
      p[1] = row[3 * x + 1];
      p[2] = row[3 * x];
    }
  }
  TIFFClose(tif);
  return bitmap;
}

using test::Load;
using test::Loaded;

TEST(TiffDecoder, EveryLayoutGivesTiff2RgbasPixels) {
  const test::TempFolder folder;
  const Layout layouts[] = {
      {3, 8, COMPRESSION_NONE, false, 0, 5, -1, 1, false, "rgb"},
      {3, 8, COMPRESSION_LZW, false, 0, 7, -1, 1, false, "rgb lzw"},
      {3, 8, COMPRESSION_ADOBE_DEFLATE, true, 0, 4, -1, 1, false, "separate deflate"},
      {3, 8, COMPRESSION_PACKBITS, false, 16, 0, -1, 1, false, "tiles packbits"},
      {3, 16, COMPRESSION_LZW, false, 0, 3, -1, 1, false, "16-bit"},
      {3, 16, COMPRESSION_NONE, true, 16, 0, -1, 1, false, "16-bit separate tiles"},
      {1, 8, COMPRESSION_LZW, false, 0, 9, -1, 1, false, "grey"},
      {1, 1, COMPRESSION_CCITTFAX4, false, 0, 50, PHOTOMETRIC_MINISWHITE, 1, false, "fax"},
      {1, 4, COMPRESSION_NONE, false, 0, 6, PHOTOMETRIC_PALETTE, 1, false, "palette"},
      {4, 8, COMPRESSION_LZW, false, 0, 8, -1, 1, false, "unassociated alpha"},
      {4, 8, COMPRESSION_NONE, false, 0, 8, -1, 1, true, "associated alpha"},
      {3, 8, COMPRESSION_NONE, false, 0, 1, -1, 4, false, "bottom up"},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.name);
    const std::string path = folder / "in.tif";
    WriteTiff(path, 45, 37, layout);
    const WorkBitmap reference = Tiff2Rgba(folder, path);
    ASSERT_FALSE(reference.Empty());
    const Loaded loaded = Load(path);
    ASSERT_EQ(loaded.status, LoadStatus::kOk) << loaded.info.reason;
    EXPECT_TRUE(test::SameBitmap(reference, loaded.bitmap));
    // The same from memory.
    const Bytes bytes = test::ReadFile(path);
    BitmapSink sink;
    DecodeTiffRows(bytes.data(), bytes.size(), sink, nullptr);
    EXPECT_TRUE(test::SameBitmap(reference, sink.Picture()));
  }
}

// The upright picture of a stored one for each EXIF orientation.
WorkBitmap Upright(const WorkBitmap& stored, int orientation) {
  WorkBitmap out = stored;
  ApplyOrientation(out, orientation);
  return out;
}

TEST(TiffDecoder, OrientationIsAppliedOnceWhateverLibtiffMirrored) {
  const test::TempFolder folder;
  const std::string plain = folder / "plain.tif";
  WriteTiff(plain, 21, 13, Layout{});
  const WorkBitmap stored = Load(plain).bitmap;
  ASSERT_EQ(stored.Width(), 21);
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    Layout layout;
    layout.orientation = orientation;
    const std::string path = folder / "turned.tif";
    WriteTiff(path, 21, 13, layout);
    Loaded loaded = Load(path);
    ASSERT_EQ(loaded.status, LoadStatus::kOk) << loaded.info.reason;
    ApplyOrientation(loaded.bitmap, loaded.info.orientation);
    // The stored rows, seen as the tag says, as a JPEG's EXIF orientation turns them.
    EXPECT_TRUE(test::SameBitmap(Upright(stored, orientation), loaded.bitmap));
  }
}

TEST(TiffDecoder, ProfileAndCameraTagsTravelBesideThePixels) {
  const test::TempFolder folder;
  const std::string path = folder / "tagged.tif";
  const Bytes profile = test::MakeProfile(600);
  WriteTiff(path, 8, 8, Layout{}, [&](TIFF* tif) {
    TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(profile.size()),
                 profile.data());
    TIFFSetField(tif, TIFFTAG_MAKE, "Scanmaker");
    TIFFSetField(tif, TIFFTAG_MODEL, "S 9000");
    TIFFSetField(tif, TIFFTAG_DATETIME, "2024:05:06 07:08:09");
    TIFFSetField(tif, TIFFTAG_ARTIST, "Owner Name");
  });
  const Loaded loaded = Load(path);
  ASSERT_EQ(loaded.status, LoadStatus::kOk) << loaded.info.reason;
  EXPECT_EQ(loaded.info.icc, profile);
  const Bytes segment = SharedExifSegment(loaded.info.exif.data(), loaded.info.exif.size());
  const std::string text(segment.begin(), segment.end());
  EXPECT_NE(text.find("Scanmaker"), std::string::npos);
  EXPECT_NE(text.find("S 9000"), std::string::npos);
  EXPECT_NE(text.find("2024:05:06 07:08:09"), std::string::npos);
  EXPECT_EQ(text.find("Owner"), std::string::npos);

  // Camera tags in an Exif block of their own round-trip through the shared segment.
  CameraTags tags;
  tags.dateTimeOriginal = "2023:01:02 03:04:05";
  tags.exposureTime = 1.0 / 250;
  tags.fNumber = 5.6;
  tags.iso = 400;
  const Bytes block = ExifBlockFromTags(tags);
  const Bytes shared = SharedExifSegment(block.data(), block.size());
  const std::string sharedText(shared.begin(), shared.end());
  EXPECT_NE(sharedText.find("2023:01:02 03:04:05"), std::string::npos);
  EXPECT_TRUE(ExifBlockFromTags(CameraTags{}).empty());
}

TEST(TiffDecoder, DamagedAndBoastfulFilesAreRefusedWithTheirReason) {
  const test::TempFolder folder;
  const std::string path = folder / "good.tif";
  Layout layout;
  layout.compression = COMPRESSION_LZW;
  WriteTiff(path, 64, 64, layout);
  const Bytes good = test::ReadFile(path);

  const auto refusal = [](const Bytes& bytes) -> std::string {
    BitmapSink sink;
    try {
      DecodeTiffRows(bytes.data(), bytes.size(), sink, nullptr);
    } catch (const DecodeError& e) {
      return e.what();
    }
    return {};
  };
  EXPECT_EQ(refusal(good), "");
  EXPECT_NE(refusal({}), "");
  EXPECT_NE(refusal(Bytes(good.begin(), good.begin() + 7)), "");
  // Cut inside the picture data: a strip lies past the end.
  EXPECT_NE(
      refusal(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 3))),
      "");
  Bytes garbage(4096);
  for (std::size_t i = 0; i < garbage.size(); ++i)
    garbage[i] = static_cast<std::uint8_t>(i * 7919 >> 3);
  garbage[0] = 'I';
  garbage[1] = 'I';
  garbage[2] = 42;
  garbage[3] = 0;
  EXPECT_NE(refusal(garbage), "");

  // A 60000 x 60000 picture announced by a few hundred bytes of LZW data.
  const std::string huge = folder / "huge.tif";
  {
    TIFF* tif = TIFFOpen(huge.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 20000);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 20000);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 20000);
    Bytes row(60000, 0);
    TIFFWriteScanline(tif, row.data(), 0, 0);
    TIFFClose(tif);
  }
  const Loaded loaded = Load(huge);
  EXPECT_EQ(loaded.status, LoadStatus::kDecodeError);
  EXPECT_NE(loaded.info.reason.find("too short"), std::string::npos) << loaded.info.reason;
}

TEST(TiffDecoder, TheLoaderTakesBothExtensionsAndStreamsRows) {
  const test::TempFolder folder;
  for (const char* name : {"a.tif", "b.TIFF", "c.tiff"}) {
    WriteTiff(folder / name, 30, 20, Layout{});
    EXPECT_TRUE(HasDecoderFor(name));
    const Loaded loaded = Load(folder / name);
    EXPECT_EQ(loaded.status, LoadStatus::kOk) << name;
    const auto probe = ProbeImage(folder / name);
    ASSERT_TRUE(probe.has_value());
    EXPECT_EQ(probe->width, 30);
    EXPECT_TRUE(probe->streams);
  }
  // A row sink sees Begin and rows, never a whole picture.
  struct Collector : RowSink {
    WorkBitmap rows;
    bool whole = false;
    void Begin(int width, int height, int) override { rows.SetSize(width, height); }
    int MaxRows() const override { return 3; }
    Block Rows(int first, int, int) override {
      return {rows.Row(first), static_cast<std::ptrdiff_t>(rows.Stride())};
    }
    void Put(int, int, int) override {}
    void TakePicture(WorkBitmap&, int) override { whole = true; }
  } sink;
  SourceInfo info;
  ASSERT_EQ(LoadImage(folder / "a.tif", sink, &info), LoadStatus::kOk);
  EXPECT_FALSE(sink.whole);
  EXPECT_TRUE(test::SameBitmap(Load(folder / "a.tif").bitmap, sink.rows));
}

}  // namespace
}  // namespace brevine
