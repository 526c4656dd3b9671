// libjxl and libtiff are opened on first use, as libheif and LibRaw are: a library that
// cannot be opened, or lacks a function, fails that format (and the JPEG XL result) with its
// reason and nothing of it is called; a run that meets no such file never maps it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs.h"
#include "format_writers.h"
#include "jxl_library.h"
#include "loaded_file.h"
#include "test_images.h"
#include "tiff_library.h"

namespace brevine {
namespace {

using test::ReasonOf;

// Whether the process has the library mapped, without mapping it.
bool Mapped(const char* soname) {
  void* handle = ::dlopen(soname, RTLD_NOW | RTLD_NOLOAD);
  if (handle != nullptr) ::dlclose(handle);
  return handle != nullptr;
}

TEST(LazyLibraries, AMissingLibraryFailsItsFormatWithItsReason) {
  const JxlLibrary jxl("libjxl", "libjxl-does-not-exist.so.9");
  ASSERT_EQ(jxl.Functions(), nullptr);
  const std::string prefix = "libjxl (libjxl-does-not-exist.so.9) cannot be opened: ";
  ASSERT_EQ(jxl.Failure().rfind(prefix, 0), 0u) << jxl.Failure();
  EXPECT_GT(jxl.Failure().size(), prefix.size());  // dlopen's own words follow

  const WorkBitmap picture = test::MakePhotoLike(24, 16, 1);
  const std::vector<std::uint8_t> file = EncodeJxl(picture, 80, false, {});
  BitmapSink sink;
  SourceInfo info;
  info.orientation = 6;
  EXPECT_EQ(
      ReasonOf<DecodeError>([&] { DecodeJxlRows(jxl, file.data(), file.size(), sink, &info); }),
      "JPEG XL: " + jxl.Failure());
  EXPECT_TRUE(sink.Picture().Empty());
  EXPECT_EQ(info.orientation, 6);
  EXPECT_EQ(ReasonOf<EncodeError>([&] { EncodeJxl(jxl, picture, 80, false, {}); }),
            "JPEG XL: " + jxl.Failure());

  const TiffLibrary tiff("libtiff", "libtiff-does-not-exist.so.9");
  ASSERT_EQ(tiff.Functions(), nullptr);
  const std::vector<std::uint8_t> header = {'I', 'I', 42, 0, 8, 0, 0, 0};
  EXPECT_EQ(ReasonOf<DecodeError>(
                [&] { DecodeTiffRows(tiff, header.data(), header.size(), sink, &info); }),
            "TIFF: " + tiff.Failure());
  EXPECT_EQ(tiff.Failure().rfind("libtiff (libtiff-does-not-exist.so.9) cannot be opened: ", 0),
            0u);
}

TEST(LazyLibraries, ALibraryWithoutItsFunctionsIsNamedWithTheFirstMissing) {
  const JxlLibrary notJxl("libjxl", "libc.so.6");
  EXPECT_EQ(notJxl.Functions(), nullptr);
  EXPECT_EQ(notJxl.Failure(), "libjxl (libc.so.6) lacks JxlDecoderCreate");
  const TiffLibrary notTiff("libtiff", "libc.so.6");
  EXPECT_EQ(notTiff.Functions(), nullptr);
  EXPECT_EQ(notTiff.Failure(), "libtiff (libc.so.6) lacks TIFFOpenOptionsAlloc");
  const WorkBitmap picture = test::MakePhotoLike(8, 8, 2);
  EXPECT_EQ(ReasonOf<EncodeError>([&] { EncodeJxl(notJxl, picture, 60, true, {}); }),
            "JPEG XL: libjxl (libc.so.6) lacks JxlDecoderCreate");
  // libjxl has every function of its table, but none of libtiff's.
  const TiffLibrary jxlAsTiff("libtiff", JxlFunctions::kSoname);
  EXPECT_EQ(jxlAsTiff.Failure(),
            std::string("libtiff (") + JxlFunctions::kSoname + ") lacks TIFFOpenOptionsAlloc");
}

TEST(LazyLibraries, TheProcesssOwnAreOpenedOnceAndServeThePublicCalls) {
  const JxlLibrary& jxl = ProcessLibrary<JxlFunctions>();
  ASSERT_NE(jxl.Functions(), nullptr) << jxl.Failure();
  EXPECT_EQ(&ProcessLibrary<JxlFunctions>(), &jxl);
  const TiffLibrary& tiff = ProcessLibrary<TiffFunctions>();
  ASSERT_NE(tiff.Functions(), nullptr) << tiff.Failure();
  EXPECT_EQ(&ProcessLibrary<TiffFunctions>(), &tiff);

  const WorkBitmap picture = test::MakePhotoLike(20, 12, 3);
  const std::vector<std::uint8_t> file = EncodeJxl(jxl, picture, 90, false, {});
  EXPECT_EQ(file, EncodeJxl(picture, 90, false, {}));
  BitmapSink through;
  WorkBitmap direct;
  DecodeJxlRows(jxl, file.data(), file.size(), through, nullptr);
  DecodeJxl(file.data(), file.size(), direct, nullptr);
  EXPECT_EQ(through.Picture().Width(), 20);
  EXPECT_TRUE(test::SameBitmap(direct, through.Picture()));
}

// Each test runs in a process of its own; in one that has met a JPEG XL file already there
// is nothing to see.
TEST(LazyLibraries, JpegsAndPngsLeaveLibjxlAndLibhwyUnmapped) {
  if (Mapped(JxlFunctions::kSoname)) GTEST_SKIP() << "libjxl was opened earlier in this process";
  const test::TempFolder folder;
  TJPEGImage jpeg;
  jpeg.TakeBitmap(test::MakePhotoLike(32, 24, 4));
  jpeg.SetQuality(90);
  jpeg.EncodeJpeg();
  test::WriteFile(folder / "a.jpg", jpeg.Data().bytes);
  test::PngSpec png;
  png.samples = {10, 200, 30};
  test::WriteFile(folder / "b.png", test::MakePng(png));
  WorkBitmap bitmap;
  EXPECT_EQ(LoadImage(folder / "a.jpg", bitmap), LoadStatus::kOk);
  EXPECT_EQ(LoadImage(folder / "b.png", bitmap), LoadStatus::kOk);
  EXPECT_FALSE(Mapped(JxlFunctions::kSoname));
  EXPECT_FALSE(Mapped("libhwy.so.1"));
  // Opened ahead, as a worker does before its walls, it serves the first file.
  PreloadDecoderLibraries(kJxlLibrary);
  EXPECT_TRUE(Mapped(JxlFunctions::kSoname));
  test::WriteFile(folder / "c.jxl", EncodeJxl(test::MakePhotoLike(16, 8, 5), 85, false, {}));
  EXPECT_EQ(LoadImage(folder / "c.jxl", bitmap), LoadStatus::kOk);
  EXPECT_EQ(bitmap.Width(), 16);
}

}  // namespace
}  // namespace brevine
