#include "jpeg_stripes.h"

#include <sys/mman.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "codecs.h"
#include "jpeg_private.h"

#include <jerror.h>

namespace brevine::jpeg_detail {
namespace {

// Stripes of about this many MCU rows: the two rows each decodes beyond its own cost an
// eighth of its work at 16, a twelfth at 24.
constexpr int kStripeMcuRows = 24;
// A stripe's rows wait whole in a buffer until their turn; beyond this a file is decoded
// in one piece.
constexpr std::size_t kMaxStripeBytes = std::size_t{64} << 20;

constexpr int kStartOfImage = 0xD8;

int Big16(const std::uint8_t* p) { return p[0] << 8 | p[1]; }

// The file's frame, read from its bytes: the segments a stripe's decoder needs, and where
// the entropy-coded data and its restart markers lie.
struct Layout {
  std::vector<std::uint8_t> header;  // SOI, the kept segments, the frame and the scan header
  std::size_t heightAt = 0;          // the frame's height field within `header`
  int width = 0;
  int height = 0;
  int mcuWidth = 0;
  int mcuHeight = 0;
  int mcusPerRow = 0;
  int mcuRows = 0;
  int interval = 0;                    // MCUs between restart markers
  std::vector<std::size_t> intervals;  // where each interval's data starts
  std::vector<std::size_t> ends;       // where it ends (its marker, or the end of image)
};

// Walks the marker segments up to the scan header. False for anything the stripes do not
// handle: such files are decoded in one piece.
bool ReadHeader(const std::uint8_t* data, std::size_t size, Layout& layout) {
  if (size < 4 || data[0] != 0xFF || data[1] != kStartOfImage) return false;
  layout.header.assign(data, data + 2);
  std::size_t at = 2;
  bool frame = false;
  int scanComponents = 0;
  for (;;) {
    if (at >= size || data[at] != 0xFF) return false;
    while (at < size && data[at] == 0xFF) ++at;  // fill bytes
    if (at + 3 > size) return false;
    const int marker = data[at];
    const std::size_t segment = at - 1;
    if (marker == 0 || marker == kStartOfImage || marker == JPEG_EOI ||
        (marker >= 0xD0 && marker <= 0xD7))
      return false;
    const std::size_t length = static_cast<std::size_t>(Big16(data + at + 1));
    if (length < 2 || at + 1 + length > size) return false;
    const std::uint8_t* body = data + at + 3;
    const std::size_t bodyLength = length - 2;
    bool keep = false;
    if (marker == 0xC0 || marker == 0xC1) {  // baseline or extended, Huffman coded
      if (frame || bodyLength < 6 || body[0] != 8) return false;
      const int components = body[5];
      if (components != 3 || bodyLength != 6 + 3 * static_cast<std::size_t>(components))
        return false;
      layout.height = Big16(body + 1);
      layout.width = Big16(body + 3);
      int maxH = 1, maxV = 1;
      for (int c = 0; c < components; ++c) {
        const int h = body[7 + 3 * c] >> 4, v = body[7 + 3 * c] & 15;
        if (h < 1 || h > 4 || v < 1 || v > 4) return false;
        maxH = std::max(maxH, h);
        maxV = std::max(maxV, v);
      }
      layout.heightAt = layout.header.size() + 5;
      layout.mcuWidth = 8 * maxH;
      layout.mcuHeight = 8 * maxV;
      frame = true;
      keep = true;
    } else if (marker >= 0xC2 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
               marker != 0xCC) {
      return false;  // progressive, lossless, hierarchical or arithmetic frames
    } else if (marker == 0xDD) {
      if (bodyLength < 2) return false;
      layout.interval = Big16(body);
      keep = true;
    } else if (marker == 0xC4 || marker == 0xDB) {
      keep = true;  // the tables
    } else if (marker == 0xE0 || marker == 0xEE) {
      keep = true;  // JFIF and Adobe segments decide the colour transform
    } else if (marker == 0xDA) {
      if (!frame || bodyLength < 1) return false;
      scanComponents = body[0];
      keep = true;
    }
    if (keep) layout.header.insert(layout.header.end(), data + segment, data + at + 1 + length);
    at += 1 + length;
    if (marker == 0xDA) break;
  }
  if (scanComponents != 3 || layout.interval <= 0 || layout.width <= 0 || layout.height <= 0)
    return false;
  layout.mcusPerRow = (layout.width + layout.mcuWidth - 1) / layout.mcuWidth;
  layout.mcuRows = (layout.height + layout.mcuHeight - 1) / layout.mcuHeight;
  layout.intervals.push_back(at);
  return true;
}

// The restart markers of the scan: exactly the ones its MCU count calls for, numbered 0 to
// 7 in turn, then the end of the image, nothing else.
bool FindMarkers(const std::uint8_t* data, std::size_t size, Layout& layout) {
  const std::int64_t mcus =
      static_cast<std::int64_t>(layout.mcusPerRow) * static_cast<std::int64_t>(layout.mcuRows);
  const std::int64_t count = (mcus + layout.interval - 1) / layout.interval;
  if (count < 2 || count > static_cast<std::int64_t>(size / 2)) return false;
  layout.intervals.reserve(static_cast<std::size_t>(count));
  layout.ends.reserve(static_cast<std::size_t>(count));
  std::size_t at = layout.intervals.front();
  for (;;) {
    const void* found = std::memchr(data + at, 0xFF, size - at);
    if (found == nullptr) return false;  // no end of image: a truncated file
    const std::size_t marker =
        static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - data);
    std::size_t code = marker + 1;
    while (code < size && data[code] == 0xFF) ++code;
    if (code >= size) return false;
    const int byte = data[code];
    if (byte == 0) {
      at = code + 1;  // a stuffed 0xFF of the data
      continue;
    }
    if (byte == JPEG_EOI) {
      layout.ends.push_back(marker);
      break;
    }
    const int expected = static_cast<int>(layout.ends.size() % 8);
    if (byte != 0xD0 + expected || static_cast<std::int64_t>(layout.ends.size()) + 1 >= count)
      return false;
    layout.ends.push_back(marker);
    layout.intervals.push_back(code + 1);
    at = code + 1;
  }
  return static_cast<std::int64_t>(layout.ends.size()) == count;
}

struct Stripe {
  int firstRow = 0;  // picture rows handed on: firstRow ... endRow - 1
  int endRow = 0;
  int decodeFirstRow = 0;  // the picture row the stripe's decode starts at
  int decodeHeight = 0;
  std::size_t dataBegin = 0;
  std::size_t dataEnd = 0;
};

// Stripes start their decode where a restart interval numbered 0 (mod 8) starts an MCU row,
// so that the markers a stripe's decoder sees count from 0 as in any file. The rows follow
// from the frame's grid and interval alone; where the data lies, from the markers found
// (`withData`).
std::vector<Stripe> PlanStripes(const Layout& layout, bool withData = true) {
  const std::int64_t perRow = layout.mcusPerRow;
  int spacing = 0;
  for (int r = 1; r < layout.mcuRows; ++r) {
    const std::int64_t mcu = r * perRow;
    if (mcu % layout.interval == 0 && (mcu / layout.interval) % 8 == 0) {
      spacing = r;
      break;
    }
  }
  std::vector<Stripe> stripes;
  if (spacing == 0) return stripes;
  const int step = spacing * std::max(1, (kStripeMcuRows + spacing / 2) / spacing);
  // Stripe k decodes from MCU row k step and hands on from one row below it.
  std::vector<int> starts;
  for (int d = 0; d + 1 < layout.mcuRows; d += step) starts.push_back(d);
  if (starts.size() < 2) return stripes;
  for (std::size_t k = 0; k < starts.size(); ++k) {
    const int first = k == 0 ? 0 : starts[k] + 1;
    const int end = k + 1 < starts.size() ? starts[k + 1] + 1 : layout.mcuRows;
    const int decodeFirst = starts[k];
    const int decodeEnd = std::min(end + 1, layout.mcuRows);
    Stripe s;
    s.firstRow = first * layout.mcuHeight;
    s.endRow = std::min(end * layout.mcuHeight, layout.height);
    s.decodeFirstRow = decodeFirst * layout.mcuHeight;
    s.decodeHeight = std::min(decodeEnd * layout.mcuHeight, layout.height) - s.decodeFirstRow;
    if (withData) {
      const std::int64_t firstInterval = decodeFirst * perRow / layout.interval;
      const std::int64_t lastInterval = (decodeEnd * perRow - 1) / layout.interval;
      s.dataBegin = layout.intervals[static_cast<std::size_t>(firstInterval)];
      s.dataEnd = layout.ends[static_cast<std::size_t>(lastInterval)];
    }
    stripes.push_back(s);
  }
  return stripes;
}

// ---- one stripe's decoder --------------------------------------------------------------

// The stripe's stream: its own header (the frame's height made the stripe's), the intervals
// as they lie in the file, and an end-of-image marker.
struct StripeSource {
  jpeg_source_mgr pub;  // first, so the library's pointer converts back
  const std::uint8_t* pieces[3];
  std::size_t lengths[3];
  int next;
};

extern "C" boolean FillStripeSource(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<StripeSource*>(cinfo->src);
  while (src->next < 3 && src->lengths[src->next] == 0) ++src->next;
  if (src->next >= 3) return FillEndOfImage(cinfo);
  src->pub.next_input_byte = src->pieces[src->next];
  src->pub.bytes_in_buffer = src->lengths[src->next];
  ++src->next;
  return TRUE;
}

// setjmp leaves: no object with a destructor lives in these frames.
int StartStripeLeaf(jpeg_decompress_struct* cinfo, JpegErrorManager* err, StripeSource* src) {
  if (setjmp(err->jump)) return StoredCode(*err);
  jpeg_create_decompress(cinfo);
  AttachSource(cinfo, src->pub, FillStripeSource);
  jpeg_read_header(cinfo, TRUE);
  // As the whole decode is set up: full size, no block smoothing, blue-green-red.
  cinfo->scale_num = 1;
  cinfo->scale_denom = 1;
  cinfo->do_block_smoothing = FALSE;
  cinfo->out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(cinfo);
  return 0;
}

int StripeRowsLeaf(jpeg_decompress_struct* cinfo, JpegErrorManager* err, JSAMPROW* rows,
                   JDIMENSION want, JDIMENSION* got) {
  if (setjmp(err->jump)) return StoredCode(*err);
  *got = jpeg_read_scanlines(cinfo, rows, want);
  return 0;
}

class StripeDecoder {
 public:
  StripeDecoder() { cinfo_.err = InstallErrorManager(err_); }
  ~StripeDecoder() { jpeg_destroy_decompress(&cinfo_); }
  StripeDecoder(const StripeDecoder&) = delete;
  StripeDecoder& operator=(const StripeDecoder&) = delete;

  // The header alone, for the check against the caller's frame.
  void Start(const std::uint8_t* header, std::size_t headerLength, const std::uint8_t* data,
             std::size_t dataLength) {
    source_.pieces[0] = header;
    source_.lengths[0] = headerLength;
    source_.pieces[1] = data;
    source_.lengths[1] = dataLength;
    source_.pieces[2] = nullptr;
    source_.lengths[2] = 0;
    source_.next = 0;
    Check(StartStripeLeaf(&cinfo_, &err_, &source_));
  }
  jpeg_decompress_struct& Info() { return cinfo_; }
  JDIMENSION ReadRows(JSAMPROW* rows, JDIMENSION want) {
    JDIMENSION got = 0;
    Check(StripeRowsLeaf(&cinfo_, &err_, rows, want, &got));
    if (got == 0) throw DecodeError("JPEG decoder gave no rows");
    return got;
  }

 private:
  static void Check(int code) {
    if (code != 0) throw EJPEG(code);
  }
  jpeg_decompress_struct cinfo_{};
  JpegErrorManager err_{};
  StripeSource source_{};
};

std::vector<std::uint8_t> StripeHeader(const Layout& layout, int height) {
  std::vector<std::uint8_t> header = layout.header;
  header[layout.heightAt] = static_cast<std::uint8_t>(height >> 8);
  header[layout.heightAt + 1] = static_cast<std::uint8_t>(height);
  return header;
}

// Decodes one stripe into `rows` (its own rows only, `stride` apart).
void DecodeStripe(const std::uint8_t* data, const Layout& layout, const Stripe& stripe,
                  std::uint8_t* rows, std::size_t stride) {
  const std::vector<std::uint8_t> header = StripeHeader(layout, stripe.decodeHeight);
  StripeDecoder decoder;
  decoder.Start(header.data(), header.size(), data + stripe.dataBegin,
                stripe.dataEnd - stripe.dataBegin);
  const jpeg_decompress_struct& cinfo = decoder.Info();
  if (static_cast<int>(cinfo.output_width) != layout.width ||
      static_cast<int>(cinfo.output_height) != stripe.decodeHeight || cinfo.output_components != 3)
    throw DecodeError("JPEG stripe differs from its frame");
  // Rows above the stripe's own go through one scratch row and are dropped.
  std::vector<std::uint8_t> scratch(stride);
  const int skip = stripe.firstRow - stripe.decodeFirstRow;
  const int last = stripe.endRow - stripe.decodeFirstRow;
  constexpr int kBatch = 16;
  JSAMPROW pointers[kBatch];
  while (static_cast<int>(cinfo.output_scanline) < last) {
    const int at = static_cast<int>(cinfo.output_scanline);
    const int want = std::min(kBatch, last - at);
    for (int i = 0; i < want; ++i) {
      const int row = at + i - skip;
      pointers[i] = row < 0 ? scratch.data() : rows + stride * static_cast<std::size_t>(row);
    }
    // Rows to be dropped and rows to be kept are never asked for in one call: the dropped
    // ones all share the scratch row.
    const int dropped = std::max(0, std::min(want, skip - at));
    decoder.ReadRows(pointers, static_cast<JDIMENSION>(dropped > 0 ? 1 : want));
  }
}

// The stripes on the threads, handed on in order by the caller's thread. A thread takes
// a free buffer and the next stripe together, so the stripe the caller waits for always
// has its buffer.
class StripeRun {
 public:
  StripeRun(const std::uint8_t* data, const Layout& layout, const std::vector<Stripe>& stripes,
            int threads)
      : data_(data),
        layout_(layout),
        stripes_(stripes),
        stride_(3 * static_cast<std::size_t>(layout.width)) {
    int rows = 0;
    for (const Stripe& s : stripes) rows = std::max(rows, s.endRow - s.firstRow);
    const int buffers = StripeBuffers(threads);
    buffers_.resize(static_cast<std::size_t>(buffers));
    for (auto& buffer : buffers_) buffer.resize(stride_ * static_cast<std::size_t>(rows));
    for (int b = 0; b < buffers; ++b) free_.push_back(b);
    bufferOf_.assign(stripes.size(), -1);
    for (int t = 0; t < threads; ++t) {
      try {
        threads_.emplace_back([this] { Loop(); });
      } catch (const std::system_error&) {
        break;
      }
    }
    if (threads_.empty()) throw std::runtime_error("no thread for the JPEG stripes");
  }

  ~StripeRun() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_) t.join();
  }
  StripeRun(const StripeRun&) = delete;
  StripeRun& operator=(const StripeRun&) = delete;

  void Feed(RowSink& sink) {
    const int batch = std::clamp(sink.MaxRows(), 1, 16);
    for (std::size_t k = 0; k < stripes_.size(); ++k) {
      int buffer;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return failure_ || (done_.size() > k && done_[k]); });
        if (failure_) std::rethrow_exception(failure_);
        buffer = bufferOf_[k];
      }
      const Stripe& s = stripes_[k];
      const std::uint8_t* rows = buffers_[static_cast<std::size_t>(buffer)].data();
      for (int y = s.firstRow; y < s.endRow;) {
        const int count = std::min(batch, s.endRow - y);
        const RowSink::Block block = sink.Rows(y, count, 1);
        for (int i = 0; i < count; ++i)
          std::memcpy(block.data + block.stride * i,
                      rows + stride_ * static_cast<std::size_t>(y - s.firstRow + i), stride_);
        sink.Put(y, count, 1);
        y += count;
      }
      {
        std::lock_guard lock(mutex_);
        free_.push_back(buffer);
      }
      changed_.notify_all();
    }
  }

 private:
  void Loop() {
    for (;;) {
      std::size_t k;
      int buffer;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] {
          return stopping_ || failure_ || next_ >= stripes_.size() || !free_.empty();
        });
        if (stopping_ || failure_ || next_ >= stripes_.size()) return;
        buffer = free_.back();
        free_.pop_back();
        k = next_++;
        bufferOf_[k] = buffer;
      }
      try {
        DecodeStripe(data_, layout_, stripes_[k], buffers_[static_cast<std::size_t>(buffer)].data(),
                     stride_);
        std::lock_guard lock(mutex_);
        if (done_.size() <= k) done_.resize(k + 1, false);
        done_[k] = true;
      } catch (...) {
        std::lock_guard lock(mutex_);
        if (!failure_) failure_ = std::current_exception();
      }
      changed_.notify_all();
    }
  }

  const std::uint8_t* data_;
  const Layout& layout_;
  const std::vector<Stripe>& stripes_;
  const std::size_t stride_;
  std::vector<std::vector<std::uint8_t>> buffers_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int> free_;
  std::vector<int> bufferOf_;
  std::vector<bool> done_;
  std::size_t next_ = 0;
  bool stopping_ = false;
  std::exception_ptr failure_;
  std::vector<std::thread> threads_;  // last: they use everything above
};

// The bytes of the largest stripe's rows, the size of each buffer; 0 for fewer than two
// stripes or stripes too large to wait whole.
std::size_t BufferBytes(const Layout& layout, const std::vector<Stripe>& stripes) {
  if (stripes.size() < 2) return 0;
  std::size_t rows = 0;
  for (const Stripe& s : stripes) rows = std::max<std::size_t>(rows, s.endRow - s.firstRow);
  const std::size_t bytes = rows * 3 * static_cast<std::size_t>(layout.width);
  return bytes <= kMaxStripeBytes ? bytes : 0;
}

bool Plan(const std::uint8_t* data, std::size_t size, Layout& layout,
          std::vector<Stripe>& stripes) {
  if (!ReadHeader(data, size, layout) || !FindMarkers(data, size, layout)) return false;
  stripes = PlanStripes(layout);
  return BufferBytes(layout, stripes) != 0;
}

}  // namespace

std::size_t StripeBufferBytes(int width, int height, int mcuWidth, int mcuHeight, int interval) {
  if (width <= 0 || height <= 0 || mcuWidth <= 0 || mcuHeight <= 0 || interval <= 0) return 0;
  Layout layout;
  layout.width = width;
  layout.height = height;
  layout.mcuHeight = mcuHeight;
  layout.mcusPerRow = (width + mcuWidth - 1) / mcuWidth;
  layout.mcuRows = (height + mcuHeight - 1) / mcuHeight;
  layout.interval = interval;
  return BufferBytes(layout, PlanStripes(layout, false));
}

std::size_t StripeBufferBytes(const std::uint8_t* data, std::size_t size) {
  Layout layout;
  std::vector<Stripe> stripes;
  return Plan(data, size, layout, stripes) ? BufferBytes(layout, stripes) : 0;
}

std::size_t CountJpegStripes(const std::uint8_t* data, std::size_t size) {
  Layout layout;
  std::vector<Stripe> stripes;
  return Plan(data, size, layout, stripes) ? stripes.size() : 0;
}

bool DecodeJpegStripes(const std::uint8_t* data, std::size_t size, const StripeFrame& frame,
                       RowSink& sink, int threads) {
  if (threads < 2) return false;
  Layout layout;
  std::vector<Stripe> stripes;
  if (!Plan(data, size, layout, stripes)) return false;
  if (layout.width != frame.width || layout.height != frame.height) return false;
  {
    // The stripes' header must read as the caller's did (the colour transform above all).
    StripeDecoder probe;
    const Stripe& s = stripes.front();
    const std::vector<std::uint8_t> header = StripeHeader(layout, s.decodeHeight);
    try {
      probe.Start(header.data(), header.size(), data + s.dataBegin, s.dataEnd - s.dataBegin);
    } catch (const DecodeError&) {
      return false;
    }
    if (probe.Info().jpeg_color_space != frame.colorSpace) return false;
  }
  sink.Begin(layout.width, layout.height, frame.orientation);
  StripeRun run(data, layout, stripes, threads);
  run.Feed(sink);
  return true;
}

bool DecodeJpegStripes(int fd, std::uint64_t size, const StripeFrame& frame, RowSink& sink,
                       int threads) {
  if (threads < 2 || size < 4 || size > SIZE_MAX) return false;
  // The open file, mapped: the stripes read their intervals where they lie.
  void* mapped = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
  if (mapped == MAP_FAILED) return false;
  struct Unmap {
    void* at;
    std::size_t length;
    ~Unmap() { ::munmap(at, length); }
  } unmap{mapped, static_cast<std::size_t>(size)};
  return DecodeJpegStripes(static_cast<const std::uint8_t*>(mapped), static_cast<std::size_t>(size),
                           frame, sink, threads);
}

}  // namespace brevine::jpeg_detail
