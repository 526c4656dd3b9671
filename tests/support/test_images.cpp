#include "test_images.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace brevine::test {

WorkBitmap MakeSolid(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  WorkBitmap bmp(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = bmp.Row(y);
    for (int x = 0; x < width; ++x, p += 3) {
      p[0] = b;
      p[1] = g;
      p[2] = r;
    }
  }
  return bmp;
}

WorkBitmap MakeGradient(int width, int height) {
  WorkBitmap bmp(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = bmp.Row(y);
    for (int x = 0; x < width; ++x, p += 3) {
      p[0] = static_cast<std::uint8_t>(width > 1 ? x * 255 / (width - 1) : 0);
      p[1] = static_cast<std::uint8_t>(height > 1 ? y * 255 / (height - 1) : 0);
      p[2] = static_cast<std::uint8_t>((x + y) * 255 / std::max(1, width + height - 2));
    }
  }
  return bmp;
}

WorkBitmap MakeChecker(int width, int height, int cell, std::uint32_t rgb1, std::uint32_t rgb2) {
  WorkBitmap bmp(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = bmp.Row(y);
    for (int x = 0; x < width; ++x, p += 3) {
      const std::uint32_t c = ((x / cell + y / cell) % 2) ? rgb2 : rgb1;
      p[0] = c & 0xFF;
      p[1] = (c >> 8) & 0xFF;
      p[2] = (c >> 16) & 0xFF;
    }
  }
  return bmp;
}

namespace {
std::uint32_t NextRandom(std::uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}
}  // namespace

WorkBitmap MakeNoise(int width, int height, std::uint32_t seed) {
  WorkBitmap bmp(width, height);
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < bmp.ByteCount(); ++i) bmp.Data()[i] = NextRandom(state) >> 24;
  return bmp;
}

WorkBitmap MakePhotoLike(int width, int height, std::uint32_t seed) {
  WorkBitmap bmp(width, height);
  std::uint32_t state = seed * 2654435761u + 7;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = bmp.Row(y);
    for (int x = 0; x < width; ++x, p += 3) {
      const int noise = static_cast<int>(NextRandom(state) >> 28) - 8;
      const bool edge = ((x / 97) + (y / 61)) % 3 == 0;
      const int base = (x * 180 / std::max(1, width)) + (y * 60 / std::max(1, height));
      for (int c = 0; c < 3; ++c) {
        int v = (edge ? 255 - base : base) + noise + c * 20;
        p[c] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
      }
    }
  }
  return bmp;
}

::testing::AssertionResult SameBitmap(const WorkBitmap& expected, const WorkBitmap& actual) {
  if (expected.Width() != actual.Width() || expected.Height() != actual.Height()) {
    return ::testing::AssertionFailure()
           << "size " << actual.Width() << "x" << actual.Height() << ", expected "
           << expected.Width() << "x" << expected.Height();
  }
  std::ostringstream diffs;
  int count = 0;
  for (int y = 0; y < expected.Height(); ++y) {
    for (int x = 0; x < expected.Width(); ++x) {
      const std::uint8_t* e = expected.Row(y) + 3 * x;
      const std::uint8_t* a = actual.Row(y) + 3 * x;
      if (e[0] != a[0] || e[1] != a[1] || e[2] != a[2]) {
        if (count < 8) {
          diffs << " (" << x << "," << y << "): got " << int(a[0]) << "," << int(a[1]) << ","
                << int(a[2]) << " expected " << int(e[0]) << "," << int(e[1]) << "," << int(e[2])
                << ";";
        }
        ++count;
      }
    }
  }
  if (count == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << count << " pixels differ (b,g,r):" << diffs.str();
}

std::vector<std::uint8_t> EncodeBmp24(const WorkBitmap& bitmap) {
  const int w = bitmap.Width(), h = bitmap.Height();
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(w) * 3 + 3) & ~3u;
  const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(h);
  std::vector<std::uint8_t> out;
  auto put16 = [&](std::uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
  };
  auto put32 = [&](std::uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  out.push_back('B');
  out.push_back('M');
  put32(54 + pixelBytes);
  put32(0);
  put32(54);
  put32(40);
  put32(static_cast<std::uint32_t>(w));
  put32(static_cast<std::uint32_t>(h));
  put16(1);
  put16(24);
  put32(0);
  put32(pixelBytes);
  put32(2835);
  put32(2835);
  put32(0);
  put32(0);
  for (int y = h - 1; y >= 0; --y) {
    const std::uint8_t* row = bitmap.Row(y);
    out.insert(out.end(), row, row + static_cast<std::size_t>(w) * 3);
    for (std::uint32_t pad = static_cast<std::uint32_t>(w) * 3; pad < rowBytes; ++pad)
      out.push_back(0);
  }
  return out;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) throw std::runtime_error("cannot create " + path);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot open " + path);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
}

TempFolder::TempFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/brevine-test-XXXXXX";
  if (!::mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace brevine::test
