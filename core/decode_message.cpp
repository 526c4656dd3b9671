#include "decode_message.h"

#include <cstring>
#include <type_traits>
#include <variant>

#include "work_bitmap.h"

namespace brevine {
namespace {

constexpr std::uint32_t kMagic = 0x42525657;  // "BRVW"

class Writer {
 public:
  void U8(std::uint8_t v) { out_.push_back(v); }
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void U64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void I32(int v) { U32(static_cast<std::uint32_t>(v)); }
  void F64(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    U64(bits);
  }
  void Bytes(const std::uint8_t* data, std::size_t size) {
    U64(size);
    out_.insert(out_.end(), data, data + size);
  }
  void Text(const std::string& text) {
    Bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  }
  std::vector<std::uint8_t> Take() { return std::move(out_); }

 private:
  std::vector<std::uint8_t> out_;
};

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t U8() { return *Take(1); }
  bool Flag() {
    const std::uint8_t v = U8();
    if (v > 1) throw MessageError("malformed flag");
    return v == 1;
  }
  std::uint32_t U32() {
    const std::uint8_t* p = Take(4);
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t{p[i]} << (8 * i);
    return v;
  }
  std::uint64_t U64() {
    const std::uint8_t* p = Take(8);
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= std::uint64_t{p[i]} << (8 * i);
    return v;
  }
  int I32() { return static_cast<int>(U32()); }
  double F64() {
    const std::uint64_t bits = U64();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }
  std::vector<std::uint8_t> Bytes() {
    const std::uint64_t n = U64();
    if (n > size_ - at_) throw MessageError("message field beyond its end");
    const std::uint8_t* p = Take(static_cast<std::size_t>(n));
    return {p, p + n};
  }
  std::string Text() {
    const std::vector<std::uint8_t> bytes = Bytes();
    return {bytes.begin(), bytes.end()};
  }
  void End() const {
    if (at_ != size_) throw MessageError("message longer than its fields");
  }

 private:
  const std::uint8_t* Take(std::size_t n) {
    if (n > size_ - at_) throw MessageError("message shorter than its fields");
    const std::uint8_t* p = data_ + at_;
    at_ += n;
    return p;
  }
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// Every option by the table's rows, each by the type of its field.
void WriteOptions(Writer& w, const Options& options) {
  w.U32(static_cast<std::uint32_t>(OptionTable().size()));
  for (const OptionRow& row : OptionTable()) {
    std::visit(
        [&](auto field) {
          using T = std::remove_cvref_t<decltype(options.*field)>;
          if constexpr (std::is_same_v<T, bool>)
            w.U8(options.*field ? 1 : 0);
          else if constexpr (std::is_same_v<T, int>)
            w.I32(options.*field);
          else
            w.Text(options.*field);
        },
        row.field);
  }
}

void ReadOptions(Reader& r, Options& options) {
  if (r.U32() != OptionTable().size()) throw MessageError("options of another table");
  for (const OptionRow& row : OptionTable()) {
    std::visit(
        [&](auto field) {
          using T = std::remove_cvref_t<decltype(options.*field)>;
          if constexpr (std::is_same_v<T, bool>)
            options.*field = r.Flag();
          else if constexpr (std::is_same_v<T, int>)
            options.*field = r.I32();
          else
            options.*field = r.Text();
        },
        row.field);
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeHeader(const MessageHeader& header) {
  Writer w;
  w.U32(kMagic);
  w.U32(static_cast<std::uint32_t>(header.kind));
  w.U64(header.fieldBytes);
  w.U64(header.pixelBytes);
  return w.Take();
}

MessageHeader DecodeHeader(const std::uint8_t* data, std::size_t size) {
  Reader r(data, size);
  MessageHeader header;
  header.magic = r.U32();
  const std::uint32_t kind = r.U32();
  header.fieldBytes = r.U64();
  header.pixelBytes = r.U64();
  r.End();
  if (header.magic != kMagic) throw MessageError("not a worker message");
  if (kind < 1 || kind > 6) throw MessageError("unknown worker message");
  header.kind = static_cast<MessageKind>(kind);
  if (header.fieldBytes > kMaxFieldBytes) throw MessageError("worker message too long");
  if (header.pixelBytes > 3 * static_cast<std::uint64_t>(WorkBitmap::kMaxPixels))
    throw MessageError("worker picture too large");
  return header;
}

std::vector<std::uint8_t> EncodeFields(const ProbeRequest& request) {
  Writer w;
  w.Text(request.name);
  return w.Take();
}

void DecodeFields(const std::uint8_t* data, std::size_t size, ProbeRequest& request) {
  Reader r(data, size);
  request.name = r.Text();
  r.End();
}

std::vector<std::uint8_t> EncodeFields(const ProbeReply& reply) {
  Writer w;
  w.U8(reply.probe.has_value());
  const PictureProbe probe = reply.probe.value_or(PictureProbe{});
  w.I32(probe.width);
  w.I32(probe.height);
  w.U8(probe.streams);
  w.U8(probe.coefficients);
  w.I32(probe.orientation);
  w.U64(probe.stripeBytes);
  return w.Take();
}

void DecodeFields(const std::uint8_t* data, std::size_t size, ProbeReply& reply) {
  Reader r(data, size);
  const bool has = r.Flag();
  PictureProbe probe;
  probe.width = r.I32();
  probe.height = r.I32();
  probe.streams = r.Flag();
  probe.coefficients = r.Flag();
  probe.orientation = r.I32();
  probe.stripeBytes = r.U64();
  r.End();
  if (has && (probe.width <= 0 || probe.height <= 0 ||
              static_cast<std::uint64_t>(probe.width) * static_cast<std::uint64_t>(probe.height) >
                  WorkBitmap::kMaxPixels ||
              probe.stripeBytes > 3 * static_cast<std::uint64_t>(probe.width) *
                                      static_cast<std::uint64_t>(probe.height)))
    throw MessageError("worker probe size out of bounds");
  reply.probe = has ? std::optional<PictureProbe>(probe) : std::nullopt;
}

std::vector<std::uint8_t> EncodeFields(const RegionMessage& region) {
  Writer w;
  w.U64(region.bytes);
  return w.Take();
}

void DecodeFields(const std::uint8_t* data, std::size_t size, RegionMessage& region) {
  Reader r(data, size);
  region.bytes = r.U64();
  r.End();
}

std::vector<std::uint8_t> EncodeFields(const WorkerReady& ready) {
  Writer w;
  w.U8(ready.noNewPrivs);
  w.I32(ready.landlockAbi);
  w.U8(ready.seccomp);
  w.Text(ready.why);
  w.U64(ready.baselineBytes);
  return w.Take();
}

void DecodeFields(const std::uint8_t* data, std::size_t size, WorkerReady& ready) {
  Reader r(data, size);
  ready.noNewPrivs = r.Flag();
  ready.landlockAbi = r.I32();
  ready.seccomp = r.Flag();
  ready.why = r.Text();
  ready.baselineBytes = r.U64();
  r.End();
}

std::vector<std::uint8_t> EncodeFields(const DecodeRequest& request) {
  Writer w;
  w.Text(request.name);
  WriteOptions(w, request.options);
  w.I32(request.load.decoderThreads);
  return w.Take();
}

void DecodeFields(const std::uint8_t* data, std::size_t size, DecodeRequest& request) {
  Reader r(data, size);
  request.name = r.Text();
  ReadOptions(r, request.options);
  request.load.decoderThreads = r.I32();
  r.End();
}

std::vector<std::uint8_t> EncodeFields(const DecodeReply& reply) {
  Writer w;
  w.U8(static_cast<std::uint8_t>(reply.reduced.result));
  w.Text(reply.reduced.detail);
  const SourceInfo& info = reply.reduced.info;
  w.I32(info.orientation);
  w.Bytes(info.icc.data(), info.icc.size());
  w.Bytes(info.exif.data(), info.exif.size());
  w.Text(info.reason);
  w.U32(static_cast<std::uint32_t>(reply.reduced.warnings.size()));
  for (const std::string& warning : reply.reduced.warnings) w.Text(warning);
  w.U8(reply.memoryExceeded);
  w.F64(reply.times.load);
  w.F64(reply.times.saturation);
  w.F64(reply.times.reduction);
  w.F64(reply.times.sharpening);
  w.I32(reply.width);
  w.I32(reply.height);
  w.U8(reply.pictureInRegion);
  w.F64(reply.cpuSeconds);
  return w.Take();
}

void DecodeFields(const std::uint8_t* data, std::size_t size, DecodeReply& reply) {
  Reader r(data, size);
  const std::uint8_t result = r.U8();
  if (result > static_cast<std::uint8_t>(FileResult::kSkipped))
    throw MessageError("unknown result");
  reply.reduced.result = static_cast<FileResult>(result);
  reply.reduced.detail = r.Text();
  SourceInfo& info = reply.reduced.info;
  info.orientation = r.I32();
  info.icc = r.Bytes();
  info.exif = r.Bytes();
  info.reason = r.Text();
  const std::uint32_t warnings = r.U32();
  reply.reduced.warnings.clear();
  for (std::uint32_t i = 0; i < warnings; ++i) reply.reduced.warnings.push_back(r.Text());
  reply.memoryExceeded = r.Flag();
  reply.times.load = r.F64();
  reply.times.saturation = r.F64();
  reply.times.reduction = r.F64();
  reply.times.sharpening = r.F64();
  reply.width = r.I32();
  reply.height = r.I32();
  reply.pictureInRegion = r.Flag();
  reply.cpuSeconds = r.F64();
  r.End();
  if (reply.width < 0 || reply.height < 0 ||
      static_cast<std::uint64_t>(reply.width) * static_cast<std::uint64_t>(reply.height) >
          WorkBitmap::kMaxPixels)
    throw MessageError("worker picture size out of bounds");
}

}  // namespace brevine
