// libheif opened on first use: a library that cannot be opened, or lacks a function, fails
// the HEIF load and the AVIF result with its reason, and nothing of it is called.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "codecs.h"
#include "heif_files.h"
#include "heif_library.h"
#include "loaded_file.h"
#include "test_images.h"

namespace brevine {
namespace {

using test::ReasonOf;

TEST(HeifLibrary, AMissingLibraryFailsTheLoadAndTheResultWithItsReason) {
  const HeifLibrary missing("libheif-does-not-exist.so.9");
  ASSERT_EQ(missing.Functions(), nullptr);
  const std::string prefix = "libheif (libheif-does-not-exist.so.9) cannot be opened: ";
  ASSERT_EQ(missing.Failure().rfind(prefix, 0), 0u) << missing.Failure();
  EXPECT_GT(missing.Failure().size(), prefix.size());  // dlopen's own words follow

  for (const bool av1 : {false, true}) {
    SCOPED_TRACE(av1 ? "AVIF" : "HEIC");
    test::HeifOptions options;
    options.av1 = av1;
    const auto file = test::EncodeHeif(test::Quadrants(32, 16), options);
    WorkBitmap bitmap;
    SourceInfo info;
    info.orientation = 5;
    EXPECT_EQ(ReasonOf<DecodeError>([&] {
                DecodeHeif(missing, file.data(), file.size(), bitmap, info, LoadRequest{});
              }),
              "HEIF: " + missing.Failure());
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(info.orientation, 5);
  }
  const WorkBitmap picture = test::MakePhotoLike(24, 16, 1);
  EXPECT_EQ(ReasonOf<EncodeError>([&] { EncodeAvif(missing, picture, 60, false, {}); }),
            "AVIF: " + missing.Failure());
}

TEST(HeifLibrary, ALibraryWithoutItsFunctionsIsNamedWithTheFirstMissing) {
  const HeifLibrary notHeif("libc.so.6");
  EXPECT_EQ(notHeif.Functions(), nullptr);
  EXPECT_EQ(notHeif.Failure(), "libheif (libc.so.6) lacks heif_init");
  const WorkBitmap picture = test::MakePhotoLike(8, 8, 2);
  EXPECT_EQ(ReasonOf<EncodeError>([&] { EncodeAvif(notHeif, picture, 60, true, {}); }),
            "AVIF: libheif (libc.so.6) lacks heif_init");
}

// The process's own library is opened once and is what the public calls use.
TEST(HeifLibrary, TheProcesssOwnIsOpenedOnceAndServesThePublicCalls) {
  const HeifLibrary& library = HeifLibrary::Default();
  ASSERT_NE(library.Functions(), nullptr) << library.Failure();
  EXPECT_TRUE(library.Failure().empty());
  EXPECT_EQ(&HeifLibrary::Default(), &library);

  const WorkBitmap picture = test::MakePhotoLike(24, 16, 3);
  const auto avif = EncodeAvif(library, picture, 80, false, {});
  EXPECT_EQ(avif, EncodeAvif(picture, 80, false));
  WorkBitmap through, direct;
  SourceInfo throughInfo, directInfo;
  DecodeHeif(library, avif.data(), avif.size(), through, throughInfo, LoadRequest{});
  DecodeHeif(avif.data(), avif.size(), direct, directInfo);
  EXPECT_EQ(through.Width(), 24);
  EXPECT_EQ(through.Height(), 16);
  EXPECT_TRUE(test::SameBitmap(direct, through));
}

}  // namespace
}  // namespace brevine
