#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "codecs.h"
#include "libjpeg_reference.h"
#include "test_images.h"

namespace brevine {
namespace {

class LoaderFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    test::LibjpegEncode how;
    how.width = 4;
    how.height = 3;
    how.samples.assign(4 * 3 * 3, 90);
    jpeg_ = test::EncodeWithLibjpeg(how);
  }
  test::TempFolder folder_;
  test::Bytes jpeg_;
  WorkBitmap bitmap_;
};

TEST_F(LoaderFiles, DispatchByLowerCaseExtension) {
  for (const char* name : {"Photo.JPG", "b.jpeg", "C.JPEG"}) {
    test::WriteFile(folder_ / name, jpeg_);
    EXPECT_TRUE(HasDecoderFor(folder_ / name)) << name;
    EXPECT_EQ(LoadStatus::kOk, LoadImage(folder_ / name, bitmap_)) << name;
    EXPECT_EQ(4, bitmap_.Width());
  }
  test::WriteFile(folder_ / "p.BMP", test::EncodeBmp24(test::MakeSolid(2, 2, 1, 2, 3)));
  EXPECT_TRUE(LoadImageFile(folder_ / "p.BMP", bitmap_));
  EXPECT_TRUE(test::SameBitmap(test::MakeSolid(2, 2, 1, 2, 3), bitmap_));
}

TEST_F(LoaderFiles, UnknownExtensionsAreNeverOpened) {
  // A JPEG under these names: the content never counts. Nor does a missing file.
  for (const char* name : {"photo.jpe", "photo.psd", "photo", "a.jpg.txt"}) {
    test::WriteFile(folder_ / name, jpeg_);
    EXPECT_FALSE(HasDecoderFor(folder_ / name)) << name;
    EXPECT_EQ(LoadStatus::kNotAnImage, LoadImage(folder_ / name, bitmap_)) << name;
  }
  EXPECT_EQ(LoadStatus::kNotAnImage, LoadImage(folder_ / "missing.psd", bitmap_));
}

TEST_F(LoaderFiles, MissingFilesAndFolders) {
  EXPECT_EQ(LoadStatus::kNotFound, LoadImage(folder_ / "missing.bmp", bitmap_));
  ASSERT_EQ(0, ::mkdir((folder_ / "x.gif").c_str(), 0755));
  EXPECT_EQ(LoadStatus::kNotFound, LoadImage(folder_ / "x.gif", bitmap_));
  EXPECT_THROW(ReadWholeFile(folder_ / "x.gif"), std::system_error);
}

TEST_F(LoaderFiles, UndecodableContentIsADecodeError) {
  test::WriteFile(folder_ / "empty.bmp", {});
  test::WriteFile(folder_ / "empty.jpg", {});
  test::WriteFile(folder_ / "text.bmp", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd',
                                         ' ', 't', 'h', 'i', 's', ' ', 'i', 's', ' ', 'n'});
  test::WriteFile(folder_ / "jpeg.png", jpeg_);
  const test::Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0};
  test::WriteFile(folder_ / "png.jpg", png);
  for (const char* name : {"empty.bmp", "empty.jpg", "text.bmp", "jpeg.png", "png.jpg"}) {
    EXPECT_EQ(LoadStatus::kDecodeError, LoadImage(folder_ / name, bitmap_)) << name;
  }
}

TEST_F(LoaderFiles, FifoWithAnImageNameDoesNotHang) {
  ASSERT_EQ(0, ::mkfifo((folder_ / "pipe.bmp").c_str(), 0600));
  EXPECT_EQ(LoadStatus::kReadError, LoadImage(folder_ / "pipe.bmp", bitmap_));
}

TEST_F(LoaderFiles, UnreadableFileIsAReadError) {
  test::WriteFile(folder_ / "locked.jpg", jpeg_);
  ASSERT_EQ(0, ::chmod((folder_ / "locked.jpg").c_str(), 0));
  if (::access((folder_ / "locked.jpg").c_str(), R_OK) == 0) {
    GTEST_SKIP() << "running with rights that read any file";
  }
  EXPECT_EQ(LoadStatus::kReadError, LoadImage(folder_ / "locked.jpg", bitmap_));
}

TEST_F(LoaderFiles, ReadWholeFileReturnsEveryByte) {
  test::Bytes big(200000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 31);
  test::WriteFile(folder_ / "big.bin", big);
  EXPECT_EQ(big, ReadWholeFile(folder_ / "big.bin"));
}

}  // namespace
}  // namespace brevine
