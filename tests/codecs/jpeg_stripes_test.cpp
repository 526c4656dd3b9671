// The striped decode of JPEGs with restart markers: every row as the sequential decode of
// the same picture without markers gives it, and every file it cannot split decoded as before.

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "codecs.h"
#include "jpeg_stripes.h"
#include "libjpeg_reference.h"
#include "test_images.h"

namespace brevine {
namespace {

using test::Bytes;

struct Sampling {
  const char* name;
  int h, v;  // the luma factors; chroma is 1 x 1
};
constexpr Sampling kSamplings[] = {
    {"4:4:4", 1, 1}, {"4:2:2", 2, 1}, {"4:2:0", 2, 2}, {"4:4:0", 1, 2}, {"4:1:1", 4, 1}};

Bytes Encode(const WorkBitmap& picture, int h, int v, int interval, int inRows, bool gray = false) {
  test::LibjpegEncode how;
  how.width = picture.Width();
  how.height = picture.Height();
  how.lumaH = h;
  how.lumaV = v;
  how.restartInterval = interval;
  how.restartInRows = inRows;
  if (gray) how.fileSpace = JCS_GRAYSCALE;
  for (int y = 0; y < picture.Height(); ++y) {
    const std::uint8_t* p = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x, p += 3)
      how.samples.insert(how.samples.end(), {p[2], p[1], p[0]});
  }
  return test::EncodeWithLibjpeg(how);
}

// The stripe buffers' bytes the header promises, against those the markers give.
void ExpectProbedStripes(const Bytes& file) {
  const int fd = ::memfd_create("probe", 0);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, file.data(), file.size()), static_cast<ssize_t>(file.size()));
  const std::optional<PictureProbe> probe = ProbeImage(SourceFile{fd, "probe.jpg"});
  ::close(fd);
  ASSERT_TRUE(probe.has_value());
  EXPECT_EQ(probe->stripeBytes, jpeg_detail::StripeBufferBytes(file.data(), file.size()));
}

WorkBitmap Decode(const Bytes& file, int threads) {
  BitmapSink sink;
  DecodeJpegRows(file.data(), file.size(), sink, nullptr, LoadRequest{threads});
  return sink.Picture();
}

// Where the restart markers' codes lie.
std::vector<std::size_t> RestartCodes(const Bytes& file) {
  std::vector<std::size_t> codes;
  for (std::size_t i = 0; i + 1 < file.size(); ++i)
    if (file[i] == 0xFF && file[i + 1] >= 0xD0 && file[i + 1] <= 0xD7) codes.push_back(i + 1);
  return codes;
}

TEST(JpegStripes, EverySubsamplingAndIntervalGivesTheBytesOfNoMarkers) {
  // Odd sizes: the last MCU row and column are partly outside the picture.
  const WorkBitmap picture = test::MakePhotoLike(213, 901, 28);
  struct Restart {
    int interval, inRows;
  };
  // One and two MCU rows, and odd MCU counts that only now and then start a row.
  const Restart restarts[] = {{0, 1}, {0, 2}, {7, 0}, {5, 0}, {3, 0}};
  for (const Sampling& s : kSamplings) {
    const WorkBitmap expected = Decode(Encode(picture, s.h, s.v, 0, 0), 1);
    for (const Restart& r : restarts) {
      SCOPED_TRACE(std::string(s.name) + " interval " + std::to_string(r.interval) + " rows " +
                   std::to_string(r.inRows));
      const Bytes file = Encode(picture, s.h, s.v, r.interval, r.inRows);
      if (r.inRows > 0) {
        EXPECT_GE(jpeg_detail::CountJpegStripes(file.data(), file.size()), 2u);
        EXPECT_GT(jpeg_detail::StripeBufferBytes(file.data(), file.size()), 0u);
      }
      ExpectProbedStripes(file);
      for (int threads : {2, 3, 8})
        ASSERT_TRUE(test::SameBitmap(expected, Decode(file, threads))) << threads << " threads";
    }
  }
}

TEST(JpegStripes, ShortPicturesAndOneStripeDecodeWhole) {
  // A picture of a few MCU rows, and one a single MCU row high: nothing to split.
  for (int h : {1, 15, 17, 200}) {
    const WorkBitmap picture = test::MakePhotoLike(97, h, h);
    const Bytes file = Encode(picture, 2, 2, 0, 1);
    EXPECT_TRUE(test::SameBitmap(Decode(file, 1), Decode(file, 2))) << h;
  }
  EXPECT_EQ(jpeg_detail::CountJpegStripes(nullptr, 0), 0u);
}

TEST(JpegStripes, GrayIsDecodedInOnePiece) {
  // Gray goes through error diffusion, which runs from the first row to the last.
  const WorkBitmap picture = test::MakePhotoLike(120, 700, 3);
  const Bytes file = Encode(picture, 1, 1, 0, 1, true);
  EXPECT_EQ(jpeg_detail::CountJpegStripes(file.data(), file.size()), 0u);
  ExpectProbedStripes(file);
  EXPECT_TRUE(test::SameBitmap(Decode(file, 1), Decode(file, 2)));
}

// Markers missing, out of turn or cut off: the file is decoded in one piece, with the
// sequential decoder's tolerance. A damaged interval between good markers is decoded
// alike by its stripe.
TEST(JpegStripes, DamagedMarkersFallBackAndDamagedIntervalsDecodeAlike) {
  const WorkBitmap picture = test::MakePhotoLike(160, 800, 11);
  const Bytes file = Encode(picture, 2, 2, 0, 1);
  const std::vector<std::size_t> codes = RestartCodes(file);
  ASSERT_GT(codes.size(), 40u);

  Bytes gap = file;  // one marker left out
  gap.erase(gap.begin() + static_cast<std::ptrdiff_t>(codes[20] - 1),
            gap.begin() + static_cast<std::ptrdiff_t>(codes[20] + 1));
  Bytes misnumbered = file;
  misnumbered[codes[20]] = static_cast<std::uint8_t>(0xD0 + (misnumbered[codes[20]] + 3) % 8);
  Bytes cut = file;
  cut.resize(cut.size() * 3 / 5);
  Bytes stray = file;  // a comment inside the scan
  const Bytes comment = {0xFF, 0xFE, 0, 4, 'h', 'i'};
  stray.insert(stray.begin() + static_cast<std::ptrdiff_t>(codes[30] + 1), comment.begin(),
               comment.end());
  for (const Bytes* bad : {&gap, &misnumbered, &cut, &stray}) {
    EXPECT_EQ(jpeg_detail::CountJpegStripes(bad->data(), bad->size()), 0u);
    EXPECT_TRUE(test::SameBitmap(Decode(*bad, 1), Decode(*bad, 2)));
  }

  // Garbage inside interval 25 (no 0xFF, so the markers stay as they were).
  Bytes damaged = file;
  for (std::size_t i = codes[24] + 3; i < codes[25] - 3; ++i)
    damaged[i] = static_cast<std::uint8_t>((i * 37) % 255);
  EXPECT_GE(jpeg_detail::CountJpegStripes(damaged.data(), damaged.size()), 2u);
  const WorkBitmap sequential = Decode(damaged, 1);
  EXPECT_FALSE(test::SameBitmap(Decode(file, 1), sequential));
  EXPECT_TRUE(test::SameBitmap(sequential, Decode(damaged, 2)));
}

}  // namespace
}  // namespace brevine
