// A source's colour profile through the pipeline into the output JPEG, and the bytes that
// stay exactly as before: no profile, gray output, or keepicc off.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "fixed_clock.h"
#include "format_writers.h"
#include "pipeline.h"
#include "pipeline_support.h"
#include "test_profiles.h"
#include "test_webp.h"

namespace brevine {
namespace {

using test::Bytes;

// The file without its APP2 segments, and how many there were.
Bytes WithoutApp2(const Bytes& jpeg, int* count = nullptr) {
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  std::size_t pos = 2;
  int found = 0;
  while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF && jpeg[pos + 1] != 0xDA) {
    const std::size_t end = pos + 2 + ((std::size_t{jpeg[pos + 2]} << 8) | jpeg[pos + 3]);
    if (jpeg[pos + 1] == 0xE2) {
      ++found;
    } else {
      out.insert(out.end(), jpeg.begin() + pos, jpeg.begin() + end);
    }
    pos = end;
  }
  out.insert(out.end(), jpeg.begin() + pos, jpeg.end());
  if (count) *count = found;
  return out;
}

int CountApp2(const Bytes& jpeg) {
  int count = 0;
  WithoutApp2(jpeg, &count);
  return count;
}

Bytes PngWithProfile(const WorkBitmap& picture, const Bytes& profile) {
  test::PngSpec layout;
  layout.width = picture.Width();
  layout.height = picture.Height();
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x)
      for (int c = 2; c >= 0; --c) layout.samples.push_back(picture.Row(y)[3 * x + c]);
  Bytes png = test::MakePng(layout);
  if (profile.empty()) return png;
  uLongf size = compressBound(profile.size());
  Bytes body = {'i', 'c', 'c', 0, 0};
  body.resize(5 + size);
  EXPECT_EQ(compress2(body.data() + 5, &size, profile.data(), profile.size(), 6), Z_OK);
  body.resize(5 + size);
  const Bytes chunk = test::PngChunk("iCCP", body);
  png.insert(png.begin() + 33, chunk.begin(), chunk.end());
  return png;
}

class ColourProfileOutput : public ::testing::Test {
 protected:
  // The source in the named format, with the profile when one is given.
  std::string Source(const std::string& format, const Bytes& profile) {
    const std::string path = folder_ / ("p" + std::to_string(count_++) + "." + format);
    if (format == "jpg") {
      Bytes file = test::JpegOf(picture_, 95);
      if (!profile.empty()) {
        std::vector<std::pair<int, Bytes>> segments;
        for (const JpegMarker& m : IccProfileMarkers(profile))
          segments.emplace_back(m.code, m.data);
        file = test::WithSegments(file, segments);
      }
      test::WriteFile(path, file);
    } else if (format == "png") {
      test::WriteFile(path, PngWithProfile(picture_, profile));
    } else {
      test::WriteFile(path, test::WithWebpChunks(test::EncodeWebp(picture_, true), profile, {}));
    }
    return path;
  }

  Bytes Output(const std::string& path) {
    FilePipeline pipeline(settings_, clock_);
    WorkBitmap bitmap;
    PreparedFile prepared = pipeline.Prepare(path, bitmap);
    EXPECT_EQ(prepared.result, FileResult::kWritten) << path;
    return prepared.jpeg;
  }

  test::TempFolder folder_;
  test::FixedClock clock_;
  FixedSettings settings_{test::PlainOptions()};
  WorkBitmap picture_ = test::MakePhotoLike(96, 64, 4);
  int count_ = 0;
};

TEST_F(ColourProfileOutput, EachSourceFormatPassesItsProfileOn) {
  const Bytes profile = test::MakeProfile(100'000);  // two segments
  for (const char* format : {"jpg", "png", "webp"}) {
    SCOPED_TRACE(format);
    const Bytes with = Output(Source(format, profile));
    const Bytes without = Output(Source(format, {}));
    EXPECT_EQ(test::ProfileInJpeg(with), profile);
    EXPECT_EQ(CountApp2(with), 2);
    // The segments are all that is added: the picture is coded as without them.
    EXPECT_EQ(WithoutApp2(with), without);
  }
}

TEST_F(ColourProfileOutput, GrayOutputOrKeepIccOffGivesTodaysBytes) {
  const Bytes profile = test::MakeProfile(5000);
  for (const char* format : {"jpg", "png", "webp"}) {
    SCOPED_TRACE(format);
    const std::string with = Source(format, profile);
    const std::string without = Source(format, {});
    settings_.Values().keepIcc = false;
    EXPECT_EQ(Output(with), Output(without));
    settings_.Values().keepIcc = true;
    settings_.Values().grayscale = true;
    const Bytes gray = Output(with);
    EXPECT_EQ(CountApp2(gray), 0);
    EXPECT_EQ(gray, Output(without));
    settings_.Values().grayscale = false;
  }
  // A profile that is not RGB never reaches the output.
  EXPECT_EQ(Output(Source("png", test::MakeProfile(5000, "CMYK"))), Output(Source("png", {})));
}

// The target-size search counts the profile's segments: the chosen file is the one the
// plain loop over every quality picks with the same segments.
TEST_F(ColourProfileOutput, TargetSizeCountsTheProfile) {
  const Bytes profile = test::MakeProfile(150'000);  // three segments, over 65,519 bytes each
  picture_ = test::MakePhotoLike(320, 240, 9);
  const std::string path = Source("png", profile);
  settings_.Values().fixedQuality = false;
  for (const int kilobytes : {150, 160, 165, 175, 400}) {
    SCOPED_TRACE(kilobytes);
    settings_.Values().targetSize = kilobytes;
    const Bytes chosen = Output(path);

    TJPEGImage jpeg;
    jpeg.SetMarkers(IccProfileMarkers(profile));
    jpeg.TakeBitmap(picture_);
    Bytes expected;
    for (int q = 100; q >= 1; --q) {
      jpeg.SetQuality(q);
      jpeg.EncodeJpeg();
      expected = jpeg.Data().bytes;
      if (static_cast<std::int64_t>(expected.size()) <= std::int64_t{kilobytes} * 1024) break;
    }
    EXPECT_EQ(chosen, expected);
    EXPECT_EQ(test::ProfileInJpeg(chosen), profile);
  }
}

}  // namespace
}  // namespace brevine
