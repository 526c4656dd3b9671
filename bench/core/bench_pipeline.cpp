// The command-line run on a batch of photos at the default options: time per photo, the
// share of each stage, and the peak memory of one photo against the pictures it must hold.
//
// Usage: bench_pipeline [BMP_FOLDER]   (default: the folder prepare-photos fills)

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "clock.h"
#include "codecs.h"
#include "command_line.h"
#include "pipeline.h"
#include "process_settings.h"

namespace fs = std::filesystem;
using namespace brevine;

namespace {

struct Photo {
  std::string path;
  int width = 0, height = 0;
  std::uint64_t Bytes() const { return std::uint64_t(width) * std::uint64_t(height) * 3; }
};

bool ReadBmpSize(const std::string& path, int& width, int& height) {
  std::ifstream in(path, std::ios::binary);
  unsigned char h[26] = {};
  if (!in.read(reinterpret_cast<char*>(h), sizeof h) || h[0] != 'B' || h[1] != 'M') return false;
  auto i32 = [&](int at) {
    return static_cast<std::int32_t>(h[at] | h[at + 1] << 8 | h[at + 2] << 16 |
                                     std::uint32_t(h[at + 3]) << 24);
  };
  width = i32(18);
  height = std::abs(i32(22));
  return true;
}

long PeakKiB() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// Peak growth of loading one file alone, measured in a child so this process's peak stays
// the pipeline's; -1 when it cannot be measured.
long LoadOnlyKiB(const std::string& path) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    WorkBitmap bitmap;
    const long before = PeakKiB();
    LoadImage(path, bitmap);
    const long grown = PeakKiB() - before;
    [[maybe_unused]] const auto n = ::write(fds[1], &grown, sizeof grown);
    ::_exit(0);
  }
  ::close(fds[1]);
  long grown = -1;
  if (child < 0 || ::read(fds[0], &grown, sizeof grown) != sizeof grown) grown = -1;
  ::close(fds[0]);
  if (child > 0) ::waitpid(child, nullptr, 0);
  return grown;
}

std::string Run(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    ::pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = argc > 1 ? argv[1] : Run(BREVINE_PREPARE_PHOTOS);
  std::vector<Photo> photos;
  for (const auto& e : fs::directory_iterator(folder)) {
    if (e.path().extension() != ".bmp") continue;
    Photo p{e.path().string()};
    if (ReadBmpSize(p.path, p.width, p.height)) photos.push_back(p);
  }
  if (photos.empty()) {
    std::fprintf(stderr, "bench_pipeline: no BMP photos in %s\n", folder.c_str());
    return 1;
  }
  // Largest first, so the peak after the first file is the peak of one photo.
  std::sort(photos.begin(), photos.end(),
            [](const Photo& a, const Photo& b) { return a.Bytes() > b.Bytes(); });

  // Outputs go into a scratch folder of links, never beside the cached photos.
  const fs::path work = fs::temp_directory_path() / ("brevine-bench-" + std::to_string(::getpid()));
  fs::create_directories(work);
  std::vector<std::string> paths;
  for (const Photo& p : photos) {
    const fs::path link = work / fs::path(p.path).filename();
    fs::create_symlink(p.path, link);
    paths.push_back(link.string());
  }

  const long loadOnly = LoadOnlyKiB(paths.front());
  FixedSettings settings{Options{}};  // the settings file's first-start defaults
  const platform::SystemClock clock;
  StageTimes times;
  const long before = PeakKiB();
  RunPaths({paths.front()}, settings, clock, &times);
  const long afterOne = PeakKiB();
  const auto start = std::chrono::steady_clock::now();
  RunPaths({paths.begin() + 1, paths.end()}, settings, clock, &times);
  const double rest =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::uint64_t encoded = 0;
  const fs::path largestOut =
      work / "Resized" / fs::path(paths.front()).filename().replace_extension(".jpg");
  if (fs::exists(largestOut)) encoded = fs::file_size(largestOut);
  fs::remove_all(work);

  if (times.files != static_cast<int>(photos.size())) {
    std::fprintf(stderr, "bench_pipeline: %d of %zu photos written\n", times.files, photos.size());
    return 1;
  }
  const double total = times.Total();
  std::printf("photos: %zu from %s, default options (box 1280, sharpen 80, quality 92)\n",
              photos.size(), folder.c_str());
  std::printf(
      "time per photo: %.1f ms (pipeline stages), whole batch after the first: %.1f ms/photo\n",
      1000 * total / photos.size(), 1000 * rest / (photos.size() - 1));
  const struct {
    const char* name;
    double seconds;
  } stages[] = {{"load", times.load},           {"saturation", times.saturation},
                {"reduction", times.reduction}, {"sharpening", times.sharpening},
                {"encoding", times.encoding},   {"writing", times.writing}};
  for (const auto& s : stages)
    std::printf("  %-11s %5.1f %%  %7.1f ms/photo\n", s.name, 100 * s.seconds / total,
                1000 * s.seconds / photos.size());

  // What one photo must hold at its peak: the source, the width-reduced intermediate, the
  // reduced picture and the JPEG bytes.
  const Photo& big = photos.front();
  const double scale = std::min({1.0, 1280.0 / big.width, 1280.0 / big.height});
  const std::uint64_t tw = std::max<std::uint64_t>(1, std::uint64_t(big.width * scale));
  const std::uint64_t th = std::max<std::uint64_t>(1, std::uint64_t(big.height * scale));
  const std::uint64_t needed = big.Bytes() + tw * big.height * 3 + tw * th * 3 + encoded;
  const long grown = afterOne - before;
  std::printf(
      "peak memory, largest photo %dx%d: grew by %.1f MiB; source + intermediate + "
      "reduced + JPEG = %.1f MiB (ratio %.2f)\n",
      big.width, big.height, grown / 1024.0, needed / 1048576.0,
      grown * 1024.0 / static_cast<double>(needed));
  std::printf("  of which loading alone: %.1f MiB (the picture is %.1f MiB)\n", loadOnly / 1024.0,
              big.Bytes() / 1048576.0);
  return 0;
}
