#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "codecs.h"
#include "format_writers.h"
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

// An open source is read through its descriptor only: the file may be gone from its folder
// and the name may point nowhere, and the picture still comes out as through the path.
TEST_F(LoaderFiles, OpenSourcesAreReadThroughTheirDescriptorOnly) {
  test::GifImageSpec gif{0, 0, 2, 1, false, {}, {0, 1}};
  const std::pair<const char*, test::Bytes> files[] = {
      {"a.jpg", jpeg_},
      {"b.bmp", test::EncodeBmp24(test::MakeSolid(3, 2, 1, 2, 3))},
      {"c.png",
       test::MakePng(test::PngSpec{2, 2, 8, 2, false, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}})},
      {"d.gif", test::GifWriter({0x102030, 0x405060}, 2, 1).Image(gif).Finish()},
  };
  for (const auto& [name, bytes] : files) {
    test::WriteFile(folder_ / name, bytes);
    WorkBitmap byPath;
    ASSERT_EQ(LoadStatus::kOk, LoadImage(folder_ / name, byPath)) << name;
    const int fd = ::open((folder_ / name).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, ::unlink((folder_ / name).c_str()));
    BitmapSink sink;
    SourceInfo info;
    EXPECT_EQ(LoadStatus::kOk,
              LoadImage(SourceFile{fd, std::string("/nowhere/") + name}, sink, &info))
        << name;
    EXPECT_TRUE(test::SameBitmap(byPath, sink.Picture())) << name;
    // The caller's descriptor stays open.
    EXPECT_NE(-1, ::fcntl(fd, F_GETFD)) << name;
    ::close(fd);
  }
}

TEST_F(LoaderFiles, OpenSourcesAreCheckedLikePaths) {
  test::WriteFile(folder_ / "a.jpg", jpeg_);
  const int file = ::open((folder_ / "a.jpg").c_str(), O_RDONLY | O_CLOEXEC);
  const int folder = ::open(folder_.Path().c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
  ASSERT_GE(file, 0);
  ASSERT_GE(folder, 0);
  BitmapSink sink;
  // The name decides the decoder, as for a path: a JPEG named .psd is not read.
  EXPECT_EQ(LoadStatus::kNotAnImage, LoadImage(SourceFile{file, "a.psd"}, sink));
  EXPECT_EQ(LoadStatus::kDecodeError, LoadImage(SourceFile{file, "a.png"}, sink));
  EXPECT_EQ(LoadStatus::kReadError, LoadImage(SourceFile{folder, "x.jpg"}, sink));
  EXPECT_EQ(LoadStatus::kReadError, LoadImage(SourceFile{-1, "x.jpg"}, sink));
  int fd = -1;
  EXPECT_EQ(LoadStatus::kNotFound, OpenImageSource(folder_ / "missing.jpg", fd));
  EXPECT_EQ(-1, fd);
  EXPECT_EQ(LoadStatus::kNotFound, OpenImageSource(folder_.Path(), fd));
  ASSERT_EQ(LoadStatus::kOk, OpenImageSource(folder_ / "a.jpg", fd));
  EXPECT_EQ(LoadStatus::kOk, LoadImage(SourceFile{fd, "a.jpg"}, sink));
  EXPECT_NE(0, ::fcntl(fd, F_GETFD) & FD_CLOEXEC);
  ::close(fd);
  ::close(file);
  ::close(folder);
  // Opening the libraries ahead changes nothing for a load, and may be done more than once.
  PreloadDecoderLibraries();
  PreloadDecoderLibraries();
}

}  // namespace
}  // namespace brevine
