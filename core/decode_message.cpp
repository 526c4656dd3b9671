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

  // One field by its type; a Reader reads it back with the same call.
  void operator()(bool v) { U8(v ? 1 : 0); }
  void operator()(int v) { I32(v); }
  void operator()(std::uint64_t v) { U64(v); }
  void operator()(double v) { F64(v); }
  void operator()(const std::string& v) { Text(v); }
  void operator()(const std::vector<std::uint8_t>& v) { Bytes(v.data(), v.size()); }
  void operator()(const std::vector<std::string>& v) {
    U32(static_cast<std::uint32_t>(v.size()));
    for (const std::string& text : v) Text(text);
  }
  void operator()(FileResult v) { U8(static_cast<std::uint8_t>(v)); }
  void operator()(const Options& options);

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

  void operator()(bool& v) { v = Flag(); }
  void operator()(int& v) { v = I32(); }
  void operator()(std::uint64_t& v) { v = U64(); }
  void operator()(double& v) { v = F64(); }
  void operator()(std::string& v) { v = Text(); }
  void operator()(std::vector<std::uint8_t>& v) { v = Bytes(); }
  void operator()(std::vector<std::string>& v) {
    const std::uint32_t count = U32();
    v.clear();
    for (std::uint32_t i = 0; i < count; ++i) v.push_back(Text());
  }
  void operator()(FileResult& v) {
    const std::uint8_t result = U8();
    if (result > static_cast<std::uint8_t>(FileResult::kSkipped))
      throw MessageError("unknown result");
    v = static_cast<FileResult>(result);
  }
  void operator()(Options& options);

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
void Writer::operator()(const Options& options) {
  Writer& w = *this;
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

void Reader::operator()(Options& options) {
  Reader& r = *this;
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

// Each message's fields in order, for writing (a const message and a Writer) and reading
// (a Reader) alike.
template <class Io, class... Field>
void Each(Io& io, Field&... fields) {
  (io(fields), ...);
}

template <class Io, class T>
void Fields(Io& io, T& m) {
  using M = std::remove_const_t<T>;
  if constexpr (std::is_same_v<M, ProbeRequest>) {
    io(m.name);
  } else if constexpr (std::is_same_v<M, PictureProbe>) {
    Each(io, m.width, m.height, m.streams, m.coefficients, m.orientation, m.stripeBytes);
  } else if constexpr (std::is_same_v<M, RegionMessage>) {
    io(m.bytes);
  } else if constexpr (std::is_same_v<M, WorkerReady>) {
    Each(io, m.noNewPrivs, m.landlockAbi, m.seccomp, m.why, m.baselineBytes);
  } else if constexpr (std::is_same_v<M, DecodeRequest>) {
    Each(io, m.name, m.options, m.load.decoderThreads);
  } else {
    static_assert(std::is_same_v<M, DecodeReply>);
    auto& info = m.reduced.info;
    Each(io, m.reduced.result, m.reduced.detail, info.orientation, info.icc, info.exif, info.reason,
         m.reduced.warnings, m.memoryExceeded);
    Each(io, m.times.load, m.times.saturation, m.times.reduction, m.times.sharpening);
    Each(io, m.width, m.height, m.pictureInRegion, m.cpuSeconds);
  }
}

template <class Message>
std::vector<std::uint8_t> Encode(const Message& message) {
  Writer w;
  Fields(w, message);
  return w.Take();
}

template <class Message>
void Decode(const std::uint8_t* data, std::size_t size, Message& message) {
  Reader r(data, size);
  Fields(r, message);
  r.End();
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

std::vector<std::uint8_t> EncodeFields(const ProbeRequest& request) { return Encode(request); }

void DecodeFields(const std::uint8_t* data, std::size_t size, ProbeRequest& request) {
  Decode(data, size, request);
}

std::vector<std::uint8_t> EncodeFields(const ProbeReply& reply) {
  Writer w;
  w(reply.probe.has_value());
  const PictureProbe probe = reply.probe.value_or(PictureProbe{});
  Fields(w, probe);
  return w.Take();
}

void DecodeFields(const std::uint8_t* data, std::size_t size, ProbeReply& reply) {
  Reader r(data, size);
  const bool has = r.Flag();
  PictureProbe probe;
  Fields(r, probe);
  r.End();
  if (has && (probe.width <= 0 || probe.height <= 0 ||
              static_cast<std::uint64_t>(probe.width) * static_cast<std::uint64_t>(probe.height) >
                  WorkBitmap::kMaxPixels ||
              probe.stripeBytes > 3 * static_cast<std::uint64_t>(probe.width) *
                                      static_cast<std::uint64_t>(probe.height)))
    throw MessageError("worker probe size out of bounds");
  reply.probe = has ? std::optional<PictureProbe>(probe) : std::nullopt;
}

std::vector<std::uint8_t> EncodeFields(const RegionMessage& region) { return Encode(region); }

void DecodeFields(const std::uint8_t* data, std::size_t size, RegionMessage& region) {
  Decode(data, size, region);
}

std::vector<std::uint8_t> EncodeFields(const WorkerReady& ready) { return Encode(ready); }

void DecodeFields(const std::uint8_t* data, std::size_t size, WorkerReady& ready) {
  Decode(data, size, ready);
}

std::vector<std::uint8_t> EncodeFields(const DecodeRequest& request) { return Encode(request); }

void DecodeFields(const std::uint8_t* data, std::size_t size, DecodeRequest& request) {
  Decode(data, size, request);
}

std::vector<std::uint8_t> EncodeFields(const DecodeReply& reply) { return Encode(reply); }

void DecodeFields(const std::uint8_t* data, std::size_t size, DecodeReply& reply) {
  Decode(data, size, reply);
  if (reply.width < 0 || reply.height < 0 ||
      static_cast<std::uint64_t>(reply.width) * static_cast<std::uint64_t>(reply.height) >
          WorkBitmap::kMaxPixels)
    throw MessageError("worker picture size out of bounds");
}

}  // namespace brevine
