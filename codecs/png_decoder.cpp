// PNG: every standard colour type and depth as opaque 8-bit blue-green-red.
//
// The chunks are walked here, not by libpng: this is where the leniency lives (a MacBinary
// prefix, CRCs never checked, unknown chunks of any kind passed over, no IEND needed) and
// where the hostile cases are refused before anything large is allocated. libpng then gets
// a cleaned stream holding only what shapes the picture: the signature, IHDR, a PLTE for
// palette images, the first run of IDAT data as one chunk, and an IEND. Rows are taken
// from libpng through a user transform, which hands over each row (or each Adam7 pass row)
// already reduced to 8 bits and without alpha, and are written straight into the bitmap.

#include <png.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include <zlib.h>

#include "codecs.h"

namespace brevine {

namespace {

constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr std::size_t kMacBinarySize = 128;

// Bounds against files that announce far more picture than they carry. Above
// kProportionCheckBytes of bitmap, the image data must be large enough to inflate to the
// rows at all: deflate cannot do better than 1032 to 1, so no valid file fails this.
constexpr std::uint64_t kMaxPixels = 500'000'000;
constexpr std::uint64_t kProportionCheckBytes = std::uint64_t{64} << 20;
constexpr std::uint64_t kBestDeflateRatio = 1032;

std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 24));
  out.push_back(static_cast<std::uint8_t>(v >> 16));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

bool IsType(const std::uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

struct Header {
  const std::uint8_t* bytes = nullptr;  // the 13 bytes of IHDR as stored
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int depth = 0;
  int colourType = 0;
  bool interlaced = false;
};

struct Span {
  const std::uint8_t* data;
  std::size_t size;
};

// What the chunk walk found.
struct Layout {
  Header header;
  const std::uint8_t* palette = nullptr;  // red, green, blue
  int paletteEntries = 0;
  std::vector<Span> imageData;  // the first run of IDAT chunks, cut to the file's end
  std::uint64_t imageDataSize = 0;
  Span iccp{nullptr, 0};  // the first iCCP chunk in front of the image data
};

bool DepthSuitsType(int colourType, int depth) {
  switch (colourType) {
    case 0:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6:
      return depth == 8 || depth == 16;
    default:
      return false;
  }
}

Header ReadHeader(const std::uint8_t* p, std::size_t available) {
  if (available < 13) throw DecodeError("PNG header cut short");
  Header h;
  h.bytes = p;
  h.width = Be32(p);
  h.height = Be32(p + 4);
  h.depth = p[8];
  h.colourType = p[9];
  // Compression and filter method 1 are not defined anywhere; they are refused like any
  // other unknown method rather than guessed at.
  if (h.colourType > 6 || h.colourType == 1 || h.colourType == 5) {
    throw DecodeError("PNG colour type not supported");
  }
  if (p[10] != 0 || p[11] != 0 || p[12] > 1) throw DecodeError("PNG method not supported");
  h.interlaced = p[12] == 1;
  return h;
}

Layout WalkChunks(const std::uint8_t* data, std::size_t size) {
  std::size_t pos = 0;
  if (size > kMacBinarySize && data[0] == 0 && data[74] == 0) pos = kMacBinarySize;
  if (size - pos < sizeof kSignature || std::memcmp(data + pos, kSignature, sizeof kSignature)) {
    throw DecodeError("not a PNG file");
  }
  pos += sizeof kSignature;

  Layout layout;
  bool haveHeader = false;
  bool reachedImageData = false;
  while (size - pos >= 8) {
    const std::uint32_t length = Be32(data + pos);
    const std::uint8_t* type = data + pos + 4;
    const std::size_t body = pos + 8;
    const std::size_t available = std::min<std::size_t>(length, size - body);
    // Past the data and its CRC; a chunk cut off by the end of the file ends the walk.
    const std::size_t next =
        size - body - available >= 4 && available == length ? body + available + 4 : size;

    if (IsType(type, "IHDR")) {
      if (haveHeader) throw DecodeError("second PNG header");
      layout.header = ReadHeader(data + body, available);
      haveHeader = true;
    } else if (IsType(type, "PLTE")) {
      if (!reachedImageData && layout.palette == nullptr) {
        layout.palette = data + body;
        layout.paletteEntries = static_cast<int>(std::min<std::size_t>(available / 3, 256));
      }
    } else if (IsType(type, "IDAT")) {
      if (!reachedImageData) {
        reachedImageData = true;
        if (!haveHeader) throw DecodeError("PNG image data before the header");
        if (!DepthSuitsType(layout.header.colourType, layout.header.depth)) {
          throw DecodeError("PNG bit depth does not suit the colour type");
        }
        // The run of IDAT chunks that follow one another directly.
        std::size_t at = pos;
        std::size_t runNext = next;
        while (true) {
          const std::uint32_t runLength = Be32(data + at);
          const std::size_t runBody = at + 8;
          const std::size_t runAvailable = std::min<std::size_t>(runLength, size - runBody);
          if (runAvailable > 0) layout.imageData.push_back({data + runBody, runAvailable});
          layout.imageDataSize += runAvailable;
          runNext = size - runBody - runAvailable >= 4 && runAvailable == runLength
                        ? runBody + runAvailable + 4
                        : size;
          if (size - runNext < 8 || !IsType(data + runNext + 4, "IDAT")) break;
          at = runNext;
        }
        pos = runNext;
        continue;
      }
    } else if (IsType(type, "iCCP")) {
      if (!reachedImageData && layout.iccp.data == nullptr) layout.iccp = {data + body, available};
    } else if (IsType(type, "IEND")) {
      break;
    }
    pos = next;
  }
  if (!reachedImageData) throw DecodeError("PNG file holds no image data");
  return layout;
}

constexpr int kPassXStart[7] = {0, 4, 0, 2, 0, 1, 0};
constexpr int kPassXStep[7] = {8, 8, 4, 4, 2, 2, 1};
constexpr int kPassYStart[7] = {0, 0, 4, 0, 2, 0, 1};
constexpr int kPassYStep[7] = {8, 8, 8, 4, 4, 2, 2};

// Rows libpng delivers in all: the height, or for Adam7 the rows of every pass that has
// pixels at all (libpng skips empty passes).
std::uint64_t RowsToRead(const Header& h) {
  if (!h.interlaced) return h.height;
  std::uint64_t rows = 0;
  for (int pass = 0; pass < 7; ++pass) {
    const std::uint64_t cols =
        (std::uint64_t{h.width} + kPassXStep[pass] - 1 - kPassXStart[pass]) / kPassXStep[pass];
    const std::uint64_t passRows =
        (std::uint64_t{h.height} + kPassYStep[pass] - 1 - kPassYStart[pass]) / kPassYStep[pass];
    if (cols > 0) rows += passRows;
  }
  return rows;
}

// Bytes of filtered rows the image data must inflate to.
std::uint64_t InflatedSize(const Header& h) {
  static constexpr std::uint64_t kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
  const std::uint64_t bitsPerPixel = kChannels[h.colourType] * static_cast<std::uint64_t>(h.depth);
  auto rowBytes = [&](std::uint64_t cols) { return 1 + (cols * bitsPerPixel + 7) / 8; };
  if (!h.interlaced) return h.height * rowBytes(h.width);
  std::uint64_t total = 0;
  for (int pass = 0; pass < 7; ++pass) {
    const std::uint64_t cols =
        (std::uint64_t{h.width} + kPassXStep[pass] - 1 - kPassXStart[pass]) / kPassXStep[pass];
    const std::uint64_t rows =
        (std::uint64_t{h.height} + kPassYStep[pass] - 1 - kPassYStart[pass]) / kPassYStep[pass];
    if (cols > 0) total += rows * rowBytes(cols);
  }
  return total;
}

// Everything the libpng callbacks touch. It lives above the setjmp frame, so a longjmp
// never skips its destructor.
struct Job {
  // The cleaned stream: pieces read one after another.
  std::vector<Span> pieces;
  std::size_t piece = 0;
  std::size_t offset = 0;

  // Row y goes to pixels + stride * (y - firstRow), for y from firstRow on, below rowLimit.
  std::uint8_t* pixels = nullptr;
  std::ptrdiff_t stride = 0;
  std::uint64_t firstRow = 0;
  std::uint64_t rowLimit = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  bool interlaced = false;
  // Blue, green, red for each value of a one-channel sample (grey level or palette index).
  std::array<std::uint8_t, 256 * 3> lookup{};

  std::uint64_t rowsToRead = 0;
  std::uint64_t rowsDone = 0;
  char message[160] = {};
};

extern "C" {

void ReadPieces(png_structp png, png_bytep out, size_t wanted) {
  auto* job = static_cast<Job*>(png_get_io_ptr(png));
  while (wanted > 0) {
    if (job->piece == job->pieces.size()) png_error(png, "read past the end of the data");
    const Span& span = job->pieces[job->piece];
    const std::size_t n = std::min(wanted, span.size - job->offset);
    std::memcpy(out, span.data + job->offset, n);
    out += n;
    wanted -= n;
    job->offset += n;
    if (job->offset == span.size) {
      ++job->piece;
      job->offset = 0;
    }
  }
}

void OnError(png_structp png, png_const_charp message) {
  auto* job = static_cast<Job*>(png_get_error_ptr(png));
  std::snprintf(job->message, sizeof job->message, "PNG: %s", message ? message : "error");
  std::longjmp(png_jmpbuf(png), 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Called by libpng for every row, after its own transforms, before it would copy the row
// out; the row goes to its place in the bitmap from here.
void TakeRow(png_structp png, png_row_infop info, png_bytep row) {
  auto* job = static_cast<Job*>(png_get_error_ptr(png));
  const std::uint32_t passRow = png_get_current_row_number(png);
  const int pass = job->interlaced ? png_get_current_pass_number(png) : 0;
  if (pass < 0 || pass > 6) png_error(png, "unexpected pass");
  const std::uint64_t y =
      job->interlaced ? kPassYStart[pass] + std::uint64_t{passRow} * kPassYStep[pass] : passRow;
  const int x0 = job->interlaced ? kPassXStart[pass] : 0;
  const int dx = job->interlaced ? kPassXStep[pass] : 1;
  const std::uint32_t count = info->width;
  if (info->bit_depth != 8 || (info->channels != 1 && info->channels != 3) || y >= job->height ||
      y < job->firstRow || y >= job->rowLimit || count == 0 ||
      x0 + std::uint64_t{count - 1} * dx >= job->width) {
    png_error(png, "row does not fit the picture");
  }
  std::uint8_t* out =
      job->pixels + job->stride * static_cast<std::ptrdiff_t>(y - job->firstRow) + 3 * x0;
  const std::size_t step = 3 * static_cast<std::size_t>(dx);
  if (info->channels == 3) {
    for (std::uint32_t i = 0; i < count; ++i, row += 3, out += step) {
      out[0] = row[2];
      out[1] = row[1];
      out[2] = row[0];
    }
  } else {
    for (std::uint32_t i = 0; i < count; ++i, out += step) {
      const std::uint8_t* c = &job->lookup[row[i] * 3u];
      out[0] = c[0];
      out[1] = c[1];
      out[2] = c[2];
    }
  }
  ++job->rowsDone;
}

// The places that call libpng while a longjmp may come back. Nothing here owns anything;
// the structures are released by the caller on every path.
bool StartLibpng(png_structp png, png_infop info, Job* job) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, job, ReadPieces);
  png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
  png_set_benign_errors(png, 1);
  png_set_check_for_invalid_index(png, 0);
  png_read_info(png, info);
  const int depth = png_get_bit_depth(png, info);
  const int colourType = png_get_color_type(png, info);
  if (depth == 16) png_set_strip_16(png);  // keeps the high byte
  if (depth < 8) png_set_packing(png);
  if (colourType & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
  png_set_read_user_transform_fn(png, TakeRow);
  png_read_update_info(png, info);
  return true;
}

// `rows` more rows (Adam7 pass rows for an interlaced file), each placed by TakeRow.
bool ReadRows(png_structp png, std::uint64_t rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  for (std::uint64_t i = 0; i < rows; ++i) png_read_row(png, nullptr, nullptr);
  return true;
}

}  // extern "C"

struct PngReader {
  png_structp png = nullptr;
  png_infop info = nullptr;
  explicit PngReader(Job* job) {
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, OnError, OnWarning);
    if (png) info = png_create_info_struct(png);
    if (!png || !info) {
      Release();
      throw std::bad_alloc();
    }
  }
  ~PngReader() { Release(); }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;
  void Release() noexcept {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    png = nullptr;
    info = nullptr;
  }
};

void FillLookup(const Layout& layout, Job& job) {
  const Header& h = layout.header;
  if (h.colourType == 3) {
    // Indices beyond the palette, and every index when there is no palette, are black.
    for (int i = 0; i < layout.paletteEntries; ++i) {
      job.lookup[i * 3 + 0] = layout.palette[i * 3 + 2];
      job.lookup[i * 3 + 1] = layout.palette[i * 3 + 1];
      job.lookup[i * 3 + 2] = layout.palette[i * 3 + 0];
    }
    return;
  }
  const int scale = h.depth == 1 ? 255 : h.depth == 2 ? 85 : h.depth == 4 ? 17 : 1;
  const int levels = h.depth >= 8 ? 256 : 1 << h.depth;
  for (int v = 0; v < levels; ++v) {
    const auto grey = static_cast<std::uint8_t>(v * scale);
    job.lookup[v * 3 + 0] = job.lookup[v * 3 + 1] = job.lookup[v * 3 + 2] = grey;
  }
}

// Larger than any real profile; a chunk that inflates beyond it is dropped, not followed.
constexpr std::size_t kMaxProfileBytes = std::size_t{16} << 20;

// The profile of an iCCP chunk (name, a zero byte, compression method 0, zlib data), or
// empty when anything about it is wrong: a damaged profile never fails the picture.
std::vector<std::uint8_t> InflateProfile(Span chunk) {
  std::vector<std::uint8_t> profile;
  // A name of 1 to 79 bytes, so its zero byte is among the first 80.
  const std::size_t searched = std::min<std::size_t>(chunk.size, 80);
  const auto nameEnd =
      static_cast<std::size_t>(std::find(chunk.data, chunk.data + searched, 0) - chunk.data);
  if (nameEnd == 0 || nameEnd == searched || chunk.size - nameEnd < 2) return profile;
  if (chunk.data[nameEnd + 1] != 0) return profile;  // the only method defined is deflate
  const std::uint8_t* in = chunk.data + nameEnd + 2;
  const std::size_t inSize = chunk.size - nameEnd - 2;
  if (inSize > std::numeric_limits<uInt>::max()) return profile;

  z_stream z{};
  if (inflateInit(&z) != Z_OK) return profile;
  z.next_in = const_cast<Bytef*>(in);
  z.avail_in = static_cast<uInt>(inSize);
  int status = Z_OK;
  std::size_t produced = 0;
  try {
    profile.resize(
        std::min<std::size_t>(kMaxProfileBytes, std::max<std::size_t>(inSize * 4, 4096)));
    while (status == Z_OK) {
      if (produced == profile.size()) {
        if (profile.size() == kMaxProfileBytes) break;
        profile.resize(std::min(kMaxProfileBytes, profile.size() * 2));
      }
      z.next_out = profile.data() + produced;
      z.avail_out = static_cast<uInt>(profile.size() - produced);
      status = inflate(&z, Z_NO_FLUSH);
      produced = profile.size() - z.avail_out;
    }
  } catch (...) {
    status = Z_MEM_ERROR;
  }
  inflateEnd(&z);
  if (status != Z_STREAM_END) return {};
  profile.resize(produced);
  if (!IsWellFormedRgbProfile(profile.data(), profile.size())) return {};
  return profile;
}

void DecodeLayout(const Layout& layout, RowSink& sink) {
  const Header& h = layout.header;
  if (h.width == 0 || h.height == 0) throw DecodeError("PNG image of zero size");
  const std::uint64_t pixels = std::uint64_t{h.width} * h.height;
  if (pixels > kMaxPixels)
    throw PictureTooLarge("PNG", h.width, h.height, static_cast<std::int64_t>(kMaxPixels));
  if (pixels * WorkBitmap::kBytesPerPixel > kProportionCheckBytes &&
      layout.imageDataSize < InflatedSize(h) / kBestDeflateRatio) {
    throw DecodeError("PNG image data too short for the announced size");
  }
  if (layout.imageDataSize > 0x7FFFFFFFu) throw DecodeError("PNG image data too long");

  // The cleaned stream. libpng's checks on IHDR still apply to the original bytes.
  std::vector<std::uint8_t> head(kSignature, kSignature + sizeof kSignature);
  PutBe32(head, 13);
  head.insert(head.end(), {'I', 'H', 'D', 'R'});
  head.insert(head.end(), h.bytes, h.bytes + 13);
  PutBe32(head, 0);
  if (h.colourType == 3) {
    // A palette image must show libpng a palette; the colours come from our own lookup,
    // so a missing PLTE costs nothing but black pixels.
    const int entries = 1 << h.depth;
    PutBe32(head, static_cast<std::uint32_t>(entries * 3));
    head.insert(head.end(), {'P', 'L', 'T', 'E'});
    for (int i = 0; i < entries * 3; ++i) {
      head.push_back(i < layout.paletteEntries * 3 ? layout.palette[i] : 0);
    }
    PutBe32(head, 0);
  }
  PutBe32(head, static_cast<std::uint32_t>(layout.imageDataSize));
  head.insert(head.end(), {'I', 'D', 'A', 'T'});
  static constexpr std::uint8_t kTail[16] = {0,   0,   0,   0,   0,    0,    0,    0,
                                             'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};

  Job job;
  job.pieces.reserve(layout.imageData.size() + 2);
  job.pieces.push_back({head.data(), head.size()});
  job.pieces.insert(job.pieces.end(), layout.imageData.begin(), layout.imageData.end());
  job.pieces.push_back({kTail, sizeof kTail});

  job.width = h.width;
  job.height = h.height;
  job.interlaced = h.interlaced;
  job.rowsToRead = RowsToRead(h);
  FillLookup(layout, job);

  PngReader reader(&job);
  if (h.interlaced) {
    // Adam7 passes touch every part of the picture: it is made whole.
    WorkBitmap picture(static_cast<int>(h.width), static_cast<int>(h.height));
    job.pixels = picture.Data();
    job.stride = static_cast<std::ptrdiff_t>(picture.Stride());
    job.rowLimit = h.height;
    const bool finished =
        StartLibpng(reader.png, reader.info, &job) && ReadRows(reader.png, job.rowsToRead);
    // libpng goes on after the last row to find the end of the compressed data; a file
    // that stops there, or holds something else there, has all its rows all the same.
    if (!finished && job.rowsDone < job.rowsToRead) throw DecodeError(job.message);
    if (job.rowsDone < job.rowsToRead) throw DecodeError("PNG rows missing");
    sink.TakePicture(picture, 1);
    return;
  }

  sink.Begin(static_cast<int>(h.width), static_cast<int>(h.height), 1);
  if (!StartLibpng(reader.png, reader.info, &job)) throw DecodeError(job.message);
  const std::uint64_t batch = static_cast<std::uint64_t>(std::clamp(sink.MaxRows(), 1, 16));
  while (job.rowsDone < job.rowsToRead) {
    const std::uint64_t first = job.rowsDone;
    const std::uint64_t want = std::min(batch, job.rowsToRead - first);
    const RowSink::Block block = sink.Rows(static_cast<int>(first), static_cast<int>(want), 1);
    job.pixels = block.data;
    job.stride = block.stride;
    job.firstRow = first;
    job.rowLimit = first + want;
    const bool ok = ReadRows(reader.png, want);
    if (job.rowsDone > first)
      sink.Put(static_cast<int>(first), static_cast<int>(job.rowsDone - first), 1);
    // As above: an error after the last row has been taken does not lose the picture.
    if (!ok) {
      if (job.rowsDone < job.rowsToRead) throw DecodeError(job.message);
      break;
    }
    if (job.rowsDone < first + want) throw DecodeError("PNG rows missing");
  }
}

}  // namespace

void DecodePngRows(const std::uint8_t* data, std::size_t size, RowSink& sink, SourceInfo* info) {
  const Layout layout = WalkChunks(data, size);
  DecodeLayout(layout, sink);
  if (info == nullptr) return;
  *info = SourceInfo{};
  if (layout.iccp.data != nullptr) info->icc = InflateProfile(layout.iccp);
}

void DecodePng(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap, SourceInfo* info) {
  BitmapSink sink;
  DecodePngRows(data, size, sink, info);
  bitmap.Swap(sink.Picture());
}

void DecodePng(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap) {
  DecodePng(data, size, bitmap, nullptr);
}

void LoadPngRows(const std::string& path, RowSink& sink, SourceInfo& info) {
  const auto bytes = ReadWholeFile(path);
  DecodePngRows(bytes.data(), bytes.size(), sink, &info);
}

void LoadPngRows(const SourceFile& source, RowSink& sink, SourceInfo& info) {
  const auto bytes = ReadWholeFile(source);
  DecodePngRows(bytes.data(), bytes.size(), sink, &info);
}

void LoadPngImage(const std::string& path, WorkBitmap& bitmap, SourceInfo& info) {
  const auto bytes = ReadWholeFile(path);
  DecodePng(bytes.data(), bytes.size(), bitmap, &info);
}

void LoadPngImage(const std::string& path, WorkBitmap& bitmap) {
  const auto bytes = ReadWholeFile(path);
  DecodePng(bytes.data(), bytes.size(), bitmap);
}

}  // namespace brevine
