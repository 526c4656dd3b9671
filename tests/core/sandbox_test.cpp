// Decode workers: a decoder that misbehaves ends as its file's failure with the reason a
// person reads, the next file is written by a fresh worker, and confined workers write the
// same bytes as the batch reading the sources itself.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "batch_runner.h"
#include "confinement.h"
#include "decode_worker.h"
#include "dng_files.h"
#include "file_system.h"
#include "fixed_clock.h"
#include "format_writers.h"
#include "heif_files.h"
#include "pipeline_support.h"
#include "syscall_filter.h"
#include "test_profiles.h"
#include "unique_fd.h"

namespace brevine {
namespace {

// This test program started again as a worker (see sandbox_main.cpp).
DecodeWorkerPool::Settings TestWorkers(int seconds = 2) {
  DecodeWorkerPool::Settings s;
  s.program = "/proc/self/exe";
  s.args = {"sandbox_tests", kWorkerArgument};
  s.minimumSeconds = seconds;
  return s;
}

struct Outcome {
  FileResult result = FileResult::kCannotRead;
  std::string detail;
};

std::vector<Outcome> RunWith(const std::vector<std::string>& paths, const Options& options,
                             DecodeWorkerPool* pool, int jobs) {
  FixedSettings settings(options);
  const test::FixedClock clock;
  std::vector<Outcome> out(paths.size());
  RunBatch(
      paths, settings, clock, jobs, nullptr,
      [&](const CommittedFile& c) {
        out[c.index] = {c.result, c.detail};
      },
      pool);
  return out;
}

// A photo with an EXIF orientation and a colour profile, so that the metadata the output
// keeps crosses from the worker too.
std::vector<std::uint8_t> TurnedJpegWithProfile(const WorkBitmap& picture) {
  const std::vector<std::uint8_t> exif = {'E', 'x', 'i', 'f', 0, 0,    'I',  'I', 42, 0, 8,
                                          0,   0,   0,   1,   0, 0x12, 0x01, 3,   0,  1, 0,
                                          0,   0,   6,   0,   0, 0,    0,    0,   0,  0};
  std::vector<std::pair<int, std::vector<std::uint8_t>>> segments = {{0xE1, exif}};
  for (auto& body : test::IccSegments(test::MakeProfile(3000), 2))
    segments.emplace_back(0xE2, body);
  return test::WithSegments(test::JpegOf(picture, 95), segments);
}

// The bytes each of `names` was written as in `folder` (empty when none was).
std::vector<std::vector<std::uint8_t>> Outputs(const test::TempFolder& dir,
                                               const std::string& folder,
                                               const std::vector<std::string>& names) {
  std::vector<std::vector<std::uint8_t>> bytes;
  for (const std::string& name : names) {
    const std::string out = dir / (folder + "/" + name.substr(0, name.find('.')) + ".jpg");
    bytes.push_back(platform::FileExists(out) ? test::ReadFile(out) : std::vector<std::uint8_t>{});
  }
  return bytes;
}

class Sandbox : public ::testing::Test {
 protected:
  // Skips the test where the kernel cannot put up every wall, saying which is missing.
  bool SkipUnlessConfined(DecodeWorkerPool& pool) {
    const std::string good = dir_ / "probe.bmp";
    test::WriteBmp(good, test::MakePhotoLike(8, 8));
    RunWith({good}, test::PlainOptions(), &pool, 1);
    const auto ready = pool.Confinement();
    if (!ready) {
      ADD_FAILURE() << "no worker started";
      return true;
    }
    if (!ready->Confined()) {
      std::printf("the kernel cannot confine the workers here (%s): skipped\n", ready->why.c_str());
      return true;
    }
    return false;
  }

  test::TempFolder dir_;
};

TEST_F(Sandbox, EachMisbehaviourFailsItsFileAndTheNextIsWritten) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "under the sanitizers a refused allocation or a crash ends in their report";
#endif
  DecodeWorkerPool pool(TestWorkers());
  if (SkipUnlessConfined(pool)) GTEST_SKIP() << "no confinement on this kernel";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"open", "the decoder was stopped: it tried a forbidden call"},
      {"create", "the decoder was stopped: it tried a forbidden call"},
      {"socket", "the decoder was stopped: it tried a forbidden call"},
      {"exec", "the decoder was stopped: it tried a forbidden call"},
      {"ptrace", "the decoder was stopped: it tried a forbidden call"},
      {"memory", "the decoder ran out of its memory allowance"},
      {"loop", "the decoder did not finish in time"},
      {"crash", "the decoder crashed (signal 11)"},
  };
  const WorkBitmap picture = test::MakePhotoLike(40, 30, 3);
  int n = 0;
  for (const auto& [what, reason] : cases) {
    const int started = pool.Started();
    // A sound photo under the hostile name: only the decoder's misbehaviour can stop it.
    const std::string hostile = dir_ / ("hostile-" + what + ".jpg");
    const std::string next = dir_ / ("next" + std::to_string(++n) + ".bmp");
    test::WriteFile(hostile, test::JpegOf(picture, 90));
    test::WriteBmp(next, picture);
    const std::vector<Outcome> out = RunWith({hostile, next}, test::PlainOptions(), &pool, 1);
    EXPECT_EQ(out[0].result, FileResult::kCannotDecode) << what;
    EXPECT_EQ(out[0].detail, reason) << what;
    EXPECT_FALSE(platform::FileExists(dir_ / ("Resized/hostile-" + what + ".jpg"))) << what;
    EXPECT_EQ(out[1].result, FileResult::kWritten) << what;
    EXPECT_TRUE(platform::FileExists(dir_ / ("Resized/next" + std::to_string(n) + ".jpg"))) << what;
    // A worker that ended was replaced; one that only refused an allocation goes on.
    EXPECT_EQ(pool.Started() - started, what == "memory" ? 0 : 1) << what;
  }
}

TEST_F(Sandbox, AParallelBatchLosesOnlyTheFilesWhoseWorkersFailed) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "under the sanitizers a refused allocation or a crash ends in their report";
#endif
  DecodeWorkerPool pool(TestWorkers());
  if (SkipUnlessConfined(pool)) GTEST_SKIP() << "no confinement on this kernel";
  const WorkBitmap picture = test::MakePhotoLike(50, 20, 9);
  std::vector<std::string> paths;
  for (int i = 0; i < 6; ++i) {
    paths.push_back(dir_ / ("p" + std::to_string(i) + ".bmp"));
    test::WriteBmp(paths.back(), picture);
  }
  paths.insert(paths.begin() + 2, dir_ / "hostile-crash.bmp");
  paths.insert(paths.begin() + 5, dir_ / "hostile-socket.bmp");
  test::WriteBmp(dir_ / "hostile-crash.bmp", picture);
  test::WriteBmp(dir_ / "hostile-socket.bmp", picture);
  const std::vector<Outcome> out = RunWith(paths, test::PlainOptions(), &pool, 2);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const bool hostile = i == 2 || i == 5;
    EXPECT_EQ(out[i].result, hostile ? FileResult::kCannotDecode : FileResult::kWritten) << i;
  }
  EXPECT_EQ(out[2].detail, "the decoder crashed (signal 11)");
  EXPECT_EQ(out[5].detail, "the decoder was stopped: it tried a forbidden call");
}

TEST_F(Sandbox, WorkersWriteTheBytesOfTheBatchItself) {
  // Every decoder (rows and whole pictures, with and without threads), metadata kept,
  // the picture turned, boosted, reduced and sharpened in the worker.
  const WorkBitmap picture = test::MakePhotoLike(90, 60, 5);
  test::WriteFile(dir_ / "turned.jpg", TurnedJpegWithProfile(picture));
  test::WriteBmp(dir_ / "plain.bmp", picture);
  test::PngSpec png{3, 2,     8,
                    2, false, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}};
  test::WriteFile(dir_ / "small.png", test::MakePng(png));
  test::HeifOptions heif;
  heif.exif = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  heif.icc = test::MakeProfile(500);
  test::WriteFile(dir_ / "photo.heic", test::EncodeHeif(test::Quadrants(96, 64), heif));
  test::WriteFile(dir_ / "damaged.jpg", {0xFF, 0xD8, 0xFF, 0xDB, 0, 3});
  const std::vector<std::string> names = {"turned.jpg", "plain.bmp",   "small.png",
                                          "photo.heic", "damaged.jpg", "missing.gif"};
  Options o;
  o.boxPreset = 7;
  o.boxWidth = 50;
  o.boxHeight = 50;
  o.saturation = true;
  o.sharpen = true;
  o.keepIcc = true;
  o.keepInfo = true;
  o.subFolder = true;
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back(dir_ / name);

  DecodeWorkerPool pool(TestWorkers(30));
  for (int jobs : {1, 2}) {
    std::vector<std::vector<std::uint8_t>> bytes[2];
    std::vector<Outcome> outcomes[2];
    for (int sandbox = 0; sandbox < 2; ++sandbox) {
      o.sandbox = sandbox ? "auto" : "off";
      o.folderName = o.sandbox + std::to_string(jobs);
      outcomes[sandbox] = RunWith(paths, o, &pool, jobs);
      for (const std::string& name : names) {
        const std::string out =
            dir_ / (o.folderName + "/" + name.substr(0, name.find('.')) + ".jpg");
        bytes[sandbox].push_back(platform::FileExists(out) ? test::ReadFile(out)
                                                           : std::vector<std::uint8_t>{});
      }
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
      EXPECT_EQ(outcomes[0][i].result, outcomes[1][i].result) << names[i];
      EXPECT_EQ(outcomes[0][i].detail, outcomes[1][i].detail) << names[i];
      EXPECT_EQ(bytes[0][i], bytes[1][i]) << names[i] << " with " << jobs << " jobs";
    }
    EXPECT_FALSE(bytes[1][0].empty());
    EXPECT_EQ(test::ProfileInJpeg(bytes[1][0]), test::MakeProfile(3000));
    EXPECT_EQ(outcomes[1][4].result, FileResult::kCannotDecode);
    EXPECT_EQ(outcomes[1][5].result, FileResult::kNotFound);
  }
  // Off never starts a worker: only the auto runs did, at most one per job and one more
  // where a worker started for the JPEG made way for one that opens libheif.
  EXPECT_GE(pool.Started(), 2);
  EXPECT_LE(pool.Started(), 3);
}

// LibRaw is opened on the first raw, and a confined worker can open no file: a worker reads
// raws only because it opened LibRaw before its walls went up. Both ways of reading a raw
// (the embedded preview, the develop) write the bytes of the batch reading it itself, and
// the source is left as it was.
TEST_F(Sandbox, RawsInAConfinedWorkerAreTheBatchsOwn) {
  DecodeWorkerPool pool(TestWorkers(30));
  if (SkipUnlessConfined(pool)) GTEST_SKIP() << "no confinement on this kernel";
  const std::string dng = dir_ / "mosaic.dng";
  ASSERT_TRUE(
      test::WriteDng(dng, 160, 120, test::JpegOf(test::MakePhotoLike(120, 90, 3), 90), 120, 90, 6));
  const std::vector<std::uint8_t> source = test::ReadFile(dng);
  Options o;
  o.boxPreset = 7;
  o.boxWidth = 60;
  o.boxHeight = 60;
  o.keepInfo = true;
  std::vector<std::uint8_t> preview, develop;
  for (const char* raw : {"preview", "develop"}) {
    o.raw = raw;
    std::vector<std::uint8_t> bytes[2];
    for (int sandbox = 0; sandbox < 2; ++sandbox) {
      SCOPED_TRACE(std::string(raw) + (sandbox ? " in a worker" : " in the batch"));
      o.sandbox = sandbox ? "auto" : "off";
      o.folderName = o.sandbox + "-" + raw;
      const std::vector<Outcome> outcome = RunWith({dng}, o, &pool, 1);
      EXPECT_EQ(outcome[0].result, FileResult::kWritten) << outcome[0].detail;
      const std::string out = dir_ / (o.folderName + "/mosaic.jpg");
      if (platform::FileExists(out)) bytes[sandbox] = test::ReadFile(out);
    }
    EXPECT_FALSE(bytes[1].empty());
    EXPECT_EQ(bytes[0], bytes[1]) << raw;
    (o.raw == "preview" ? preview : develop) = bytes[1];
  }
  EXPECT_NE(preview, develop);  // each way was taken
  EXPECT_EQ(test::ReadFile(dng), source);
}

TEST_F(Sandbox, AWorkerReadsTheHeadersTheBatchCountsFilesBy) {
  DecodeWorkerPool pool(TestWorkers(30));
  const std::string turned = dir_ / "turned.jpg";
  test::WriteFile(turned, TurnedJpegWithProfile(test::MakePhotoLike(90, 60, 5)));
  const std::string bmp = dir_ / "plain.bmp";
  test::WriteBmp(bmp, test::MakePhotoLike(33, 17));
  test::WriteFile(dir_ / "text.png", {'n', 'o', 't'});
  for (const std::string& path : {turned, bmp, dir_ / "text.png"}) {
    int fd = -1;
    ASSERT_EQ(OpenImageSource(path, fd), LoadStatus::kOk);
    const std::optional<PictureProbe> inWorker = pool.Probe(SourceFile{fd, path});
    ::close(fd);
    const std::optional<PictureProbe> here = ProbeImage(path);
    ASSERT_EQ(inWorker.has_value(), here.has_value()) << path;
    if (!here) continue;
    EXPECT_EQ(inWorker->width, here->width);
    EXPECT_EQ(inWorker->height, here->height);
    EXPECT_EQ(inWorker->streams, here->streams);
    EXPECT_EQ(inWorker->coefficients, here->coefficients);
    EXPECT_EQ(inWorker->orientation, here->orientation);
    BatchItem item{path, test::PlainOptions()};
    EXPECT_EQ(EstimateWorkingBytes(item, &pool), EstimateWorkingBytes(item));
  }
  EXPECT_EQ(ProbeImage(turned)->orientation, 6);
  EXPECT_EQ(pool.Started(), 1);
}

TEST_F(Sandbox, TheWallsAreAsTheKernelOffers) {
  DecodeWorkerPool pool(TestWorkers());
  SkipUnlessConfined(pool);
  ASSERT_TRUE(pool.Confinement());
  const WorkerReady ready = *pool.Confinement();
  EXPECT_EQ(ready.landlockAbi, platform::LandlockAbi());
  EXPECT_EQ(ready.seccomp, platform::SeccompAvailable());
  EXPECT_TRUE(ready.noNewPrivs);
  EXPECT_GT(ready.baselineBytes, 0u);
  const std::string text = DescribeConfinement(ready);
  std::printf("decode workers here: %s\n", text.c_str());
  // A worker that cannot be confined says why; auto warns once, require refuses.
  EXPECT_EQ(ready.Confined(), ready.why.empty()) << ready.why;
  if (!ready.Confined()) {
    EXPECT_NE(pool.TakeWarning(), "");
    EXPECT_EQ(pool.TakeWarning(), "");
    Options o = test::PlainOptions();
    o.sandbox = "require";
    const std::string path = dir_ / "refused.bmp";
    test::WriteBmp(path, test::MakePhotoLike(8, 8));
    const std::vector<Outcome> out = RunWith({path}, o, &pool, 1);
    EXPECT_EQ(out[0].result, FileResult::kCannotDecode);
    EXPECT_NE(out[0].detail.find("cannot be confined"), std::string::npos);
  } else {
    EXPECT_EQ(pool.TakeWarning(), "");
  }
}

TEST_F(Sandbox, AWorkerOpensTheLibrariesOfTheFilesItIsGiven) {
  // A worker started for a JPEG opens none of the codecs' libraries; a HEIF, then a raw, a
  // JPEG XL and a TIFF, each makes the idle worker give way to one that opens them too,
  // which then serves every kind. Behind its walls a worker could open none of them.
  test::WriteFile(dir_ / "a.jpg", test::JpegOf(test::MakePhotoLike(64, 48, 2), 90));
  test::WriteFile(dir_ / "b.heic", test::EncodeHeif(test::Quadrants(64, 48), {}));
  ASSERT_TRUE(test::WriteDng(dir_ / "c.dng", 64, 48));
  test::WriteBmp(dir_ / "d.bmp", test::MakePhotoLike(30, 20, 4));
  test::WriteFile(dir_ / "e.heic", test::EncodeHeif(test::Quadrants(32, 32), {}));
  test::WriteFile(dir_ / "f.jxl", EncodeJxl(test::MakePhotoLike(40, 30, 6), 80, false, {}));
  ASSERT_TRUE(test::WriteRgbTiff(dir_ / "g.tif", 50, 20));
  test::WriteFile(dir_ / "h.jxl", EncodeJxl(test::MakePhotoLike(20, 30, 7), 90, false, {}));
  const std::vector<std::string> names = {"a.jpg",  "b.heic", "c.dng", "d.bmp",
                                          "e.heic", "f.jxl",  "g.tif", "h.jxl"};
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back(dir_ / name);
  EXPECT_EQ(DecoderLibrariesFor(paths[0]), 0u);
  EXPECT_EQ(DecoderLibrariesFor(paths[1]), kHeifLibrary);
  EXPECT_EQ(DecoderLibrariesFor(dir_ / "C.DNG"), kRawLibrary);
  EXPECT_EQ(DecoderLibrariesFor(dir_ / "x.avif"), kHeifLibrary);
  EXPECT_EQ(DecoderLibrariesFor(paths[5]), kJxlLibrary);
  EXPECT_EQ(DecoderLibrariesFor(dir_ / "x.TIFF"), kTiffLibrary);
  EXPECT_EQ(DecoderLibrariesFor(dir_ / "x.txt"), 0u);

  DecodeWorkerPool pool(TestWorkers(30));
  Options o = test::PlainOptions();
  o.subFolder = true;
  std::vector<Outcome> outcomes[2];
  for (int sandbox = 0; sandbox < 2; ++sandbox) {
    o.sandbox = sandbox ? "auto" : "off";
    o.folderName = o.sandbox;
    outcomes[sandbox] = RunWith(paths, o, &pool, 1);
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(outcomes[1][i].result, FileResult::kWritten) << names[i] << outcomes[1][i].detail;
    EXPECT_EQ(outcomes[0][i].detail, outcomes[1][i].detail) << names[i];
  }
  EXPECT_EQ(Outputs(dir_, "off", names), Outputs(dir_, "auto", names));
  EXPECT_EQ(pool.Started(), 5);
}

TEST_F(Sandbox, PicturesCrossInTheRegionOrTheChannelAlike) {
  // Without a box the region follows the worker's last picture: a larger one comes through
  // the channel, the next of its size through the grown region, a smaller one through the
  // region too.
  const std::vector<std::pair<int, int>> sizes = {{40, 30}, {700, 500},   {700, 500},
                                                  {90, 61}, {1100, 1000}, {3, 2}};
  std::vector<std::string> names, paths;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    names.push_back("p" + std::to_string(i) + ".bmp");
    paths.push_back(dir_ / names.back());
    test::WriteBmp(paths.back(),
                   test::MakePhotoLike(sizes[i].first, sizes[i].second, static_cast<int>(i)));
  }
  Options o = test::PlainOptions();
  o.boxPreset = -1;
  ASSERT_FALSE(o.FitBox());
  o.sharpen = true;
  o.subFolder = true;
  DecodeWorkerPool pool(TestWorkers(30));
  for (const std::string mode : {"off", "auto"}) {
    o.sandbox = mode;
    o.folderName = mode;
    for (const Outcome& outcome : RunWith(paths, o, &pool, 1))
      EXPECT_EQ(outcome.result, FileResult::kWritten) << outcome.detail;
  }
  const auto off = Outputs(dir_, "off", names);
  EXPECT_EQ(off, Outputs(dir_, "auto", names));
  for (const auto& bytes : off) EXPECT_FALSE(bytes.empty());
  EXPECT_EQ(pool.Started(), 1);
}

TEST_F(Sandbox, AWorkerWaitsWhileItsPictureIsUsed) {
  // The picture in a worker's region is used before the worker serves anyone else: a probe
  // made meanwhile needs a second worker.
  const std::string path = dir_ / "a.bmp";
  test::WriteBmp(path, test::MakePhotoLike(60, 40, 1));
  DecodeWorkerPool pool(TestWorkers(30));
  Options o = test::PlainOptions();
  int fd = -1;
  ASSERT_EQ(OpenImageSource(path, fd), LoadStatus::kOk);
  const platform::UniqueFd owned(fd);
  WorkBitmap bitmap, seen;
  int used = 0;
  const ReducedSource reduced = pool.Reduce(SourceFile{fd, path}, o, {}, bitmap, nullptr, 0,
                                            [&](const WorkBitmap& picture, const ReducedSource& r) {
                                              ++used;
                                              seen = picture;
                                              EXPECT_EQ(r.result, FileResult::kWritten);
                                              EXPECT_TRUE(pool.Probe(SourceFile{fd, path}));
                                              EXPECT_EQ(pool.Started(), 2);
                                            });
  EXPECT_EQ(reduced.result, FileResult::kWritten);
  EXPECT_EQ(used, 1);
  // The same picture as without a worker, and without `use` in the bitmap.
  WorkBitmap here;
  EXPECT_EQ(ReduceOpenedSource(SourceFile{fd, path}, o, {}, here, {}, nullptr).result,
            FileResult::kWritten);
  ASSERT_EQ(seen.Width(), here.Width());
  ASSERT_EQ(seen.Height(), here.Height());
  EXPECT_EQ(std::memcmp(seen.Data(), here.Data(), here.ByteCount()), 0);
  EXPECT_EQ(pool.Reduce(SourceFile{fd, path}, o, {}, bitmap, nullptr, 0).result,
            FileResult::kWritten);
  ASSERT_EQ(bitmap.ByteCount(), here.ByteCount());
  EXPECT_EQ(std::memcmp(bitmap.Data(), here.Data(), here.ByteCount()), 0);
  EXPECT_EQ(pool.Started(), 2);
}

TEST_F(Sandbox, WorkersStartedAheadServeTheBatch) {
  DecodeWorkerPool pool(TestWorkers(30));
  pool.Prestart(2, kHeifLibrary);
  // Started, but not yet counted: a worker counts once it has said it is ready.
  EXPECT_EQ(pool.Started(), 0);
  test::WriteFile(dir_ / "x.heic", test::EncodeHeif(test::Quadrants(64, 48), {}));
  test::WriteBmp(dir_ / "y.bmp", test::MakePhotoLike(30, 20, 4));
  std::vector<std::string> paths;
  for (int i = 0; i < 3; ++i)
    for (const std::string name : {"x.heic", "y.bmp"}) paths.push_back(dir_ / name);
  for (const Outcome& outcome : RunWith(paths, test::PlainOptions(), &pool, 2))
    EXPECT_EQ(outcome.result, FileResult::kWritten) << outcome.detail;
  // A worker counts once a file waited for it to be ready: a batch this small may be
  // served by the first alone, so one or two are counted, never a third.
  EXPECT_GE(pool.Started(), 1);
  EXPECT_LE(pool.Started(), 2);
  // Workers already there are counted: none more is started.
  pool.Prestart(2, kHeifLibrary);
  for (const Outcome& outcome : RunWith(paths, test::PlainOptions(), &pool, 2))
    EXPECT_EQ(outcome.result, FileResult::kWritten) << outcome.detail;
  EXPECT_LE(pool.Started(), 2);
}

TEST(SandboxMode, WorkerArgumentsNameTheLibraries) {
  for (unsigned libraries : {0u, unsigned{kHeifLibrary}, unsigned{kRawLibrary},
                             unsigned{kJxlLibrary | kTiffLibrary}, kEveryDecoderLibrary}) {
    std::vector<std::string> args = {"brevine", kWorkerArgument};
    if (libraries != 0) args.push_back(LibrariesArgument(libraries));
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    unsigned back = ~0u;
    EXPECT_TRUE(IsDecodeWorker(static_cast<int>(argv.size()), argv.data(), &back)) << libraries;
    EXPECT_EQ(back, libraries);
  }
  EXPECT_EQ(LibrariesArgument(kEveryDecoderLibrary), "heif,raw,jxl,tiff");
  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{"brevine"},
                                             {"brevine", "--decode"},
                                             {"brevine", kWorkerArgument, ""},
                                             {"brevine", kWorkerArgument, "heif,"},
                                             {"brevine", kWorkerArgument, "heif,jpeg"},
                                             {"brevine", kWorkerArgument, "raw", "heif"},
                                             {"brevine", "a.jpg", kWorkerArgument}}) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    unsigned libraries = 0;
    EXPECT_FALSE(IsDecodeWorker(static_cast<int>(argv.size()), argv.data(), &libraries))
        << args.back();
  }
}

TEST(SandboxMode, AWorkerStartedAheadThatNeverAnswersIsAStartFailure) {
  // A program that ends at once in the worker's place: the first file finds no worker, as
  // when one is started for it.
  DecodeWorkerPool::Settings settings;
  settings.program = "/bin/true";
  settings.args = {"true", kWorkerArgument};
  DecodeWorkerPool pool(settings);
  pool.Prestart(2, 0);
  test::TempFolder dir;
  const std::string path = dir / "a.bmp";
  test::WriteBmp(path, test::MakePhotoLike(20, 10));
  Options o = test::PlainOptions();
  o.sandbox = "require";
  std::vector<Outcome> out = RunWith({path}, o, &pool, 1);
  EXPECT_EQ(out[0].result, FileResult::kCannotDecode);
  EXPECT_NE(out[0].detail.find("the decoder did not start"), std::string::npos) << out[0].detail;
  o.sandbox = "auto";
  out = RunWith({path, path}, o, &pool, 1);
  EXPECT_EQ(out[0].result, FileResult::kWritten);
  EXPECT_EQ(out[1].result, FileResult::kWritten);
  EXPECT_NE(pool.TakeWarning().find("decoding without confinement"), std::string::npos);
  EXPECT_EQ(pool.Started(), 0);
}

TEST(SandboxMode, WhereNoWorkerStartsAutoReadsTheSourcesItselfAndRequireRefuses) {
  DecodeWorkerPool::Settings settings;
  settings.program = "/nonexistent/brevine";
  DecodeWorkerPool pool(settings);
  test::TempFolder dir;
  const std::string path = dir / "a.bmp";
  test::WriteBmp(path, test::MakePhotoLike(20, 10));
  Options o = test::PlainOptions();
  o.sandbox = "require";
  std::vector<Outcome> out = RunWith({path}, o, &pool, 1);
  EXPECT_EQ(out[0].result, FileResult::kCannotDecode);
  EXPECT_NE(out[0].detail.find("the decoder cannot be started"), std::string::npos);
  o.sandbox = "auto";
  out = RunWith({path, path}, o, &pool, 1);
  EXPECT_EQ(out[0].result, FileResult::kWritten);
  EXPECT_EQ(out[1].result, FileResult::kWritten);
  EXPECT_NE(pool.TakeWarning().find("decoding without confinement: the decoder cannot be started"),
            std::string::npos);
  EXPECT_EQ(pool.TakeWarning(), "");
  EXPECT_EQ(pool.Started(), 0);
}

TEST(SandboxMode, KeyValues) {
  EXPECT_EQ(SandboxModeOf("auto"), SandboxMode::kAuto);
  EXPECT_EQ(SandboxModeOf("require"), SandboxMode::kRequire);
  EXPECT_EQ(SandboxModeOf("off"), SandboxMode::kOff);
  EXPECT_EQ(SandboxModeOf(""), SandboxMode::kAuto);
  EXPECT_EQ(Options{}.sandbox, "auto");
}

}  // namespace
}  // namespace brevine
