// The messages to and from a decode worker come back field for field, and a malformed or
// cut message is refused, never read past its end.
#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>
#include <variant>

#include "decode_message.h"

namespace brevine {
namespace {

// Options in which every field of the table differs from its default, whatever fields
// there are: a field the message left out would come back as its default.
Options EveryOptionChanged() {
  Options o;
  int n = 0;
  for (const OptionRow& row : OptionTable()) {
    ++n;
    std::visit(
        [&](auto field) {
          using T = std::remove_cvref_t<decltype(o.*field)>;
          if constexpr (std::is_same_v<T, bool>)
            o.*field = !(o.*field);
          else if constexpr (std::is_same_v<T, int>)
            o.*field += 1000 + n;
          else
            o.*field += "changed " + std::to_string(n) + " \xE7\xBC\xA9\n";
        },
        row.field);
  }
  EXPECT_NE(o, Options{});
  return o;
}

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t seed) {
  std::vector<std::uint8_t> b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(seed + 7 * i);
  return b;
}

template <typename T>
T RoundTrip(const T& value) {
  const std::vector<std::uint8_t> fields = EncodeFields(value);
  T back;
  DecodeFields(fields.data(), fields.size(), back);
  return back;
}

// Every shorter prefix of a message is refused, and so is a longer message.
template <typename T>
void ExpectCutsRefused(const T& value) {
  std::vector<std::uint8_t> fields = EncodeFields(value);
  for (std::size_t n = 0; n < fields.size(); ++n) {
    T back;
    EXPECT_THROW(DecodeFields(fields.data(), n, back), MessageError) << n;
  }
  fields.push_back(0);
  T back;
  EXPECT_THROW(DecodeFields(fields.data(), fields.size(), back), MessageError);
}

TEST(DecodeMessage, RequestComesBackWithEveryOption) {
  DecodeRequest request;
  request.name = "/photos/Urlaub 2024/IMG_0001.JPG";
  request.options = EveryOptionChanged();
  request.load.decoderThreads = 3;
  const DecodeRequest back = RoundTrip(request);
  EXPECT_EQ(back.name, request.name);
  EXPECT_EQ(back.options, request.options);
  EXPECT_EQ(back.load.decoderThreads, 3);
  ExpectCutsRefused(request);
}

TEST(DecodeMessage, ReplyComesBackWithEverySourceField) {
  DecodeReply reply;
  reply.reduced.result = FileResult::kCannotProcess;
  reply.reduced.detail = "the decoder's reason";
  reply.reduced.info.orientation = 6;
  reply.reduced.info.icc = Bytes(3000, 1);
  reply.reduced.info.exif = Bytes(70000, 2);
  reply.reduced.info.reason = "JPEG错误#42";
  reply.reduced.warnings = {"first warning", "", "third"};
  reply.memoryExceeded = true;
  reply.times.load = 0.25;
  reply.times.saturation = 1.0 / 3;
  reply.times.reduction = 1e-9;
  reply.times.sharpening = 12.5;
  reply.width = 1280;
  reply.height = 853;
  reply.pictureInRegion = true;
  reply.cpuSeconds = 4.75;
  const DecodeReply back = RoundTrip(reply);
  EXPECT_EQ(back.reduced.result, reply.reduced.result);
  EXPECT_EQ(back.reduced.detail, reply.reduced.detail);
  EXPECT_EQ(back.reduced.info.orientation, 6);
  EXPECT_EQ(back.reduced.info.icc, reply.reduced.info.icc);
  EXPECT_EQ(back.reduced.info.exif, reply.reduced.info.exif);
  EXPECT_EQ(back.reduced.info.reason, reply.reduced.info.reason);
  EXPECT_EQ(back.reduced.warnings, reply.reduced.warnings);
  EXPECT_TRUE(back.memoryExceeded);
  EXPECT_EQ(back.times.load, reply.times.load);
  EXPECT_EQ(back.times.saturation, reply.times.saturation);
  EXPECT_EQ(back.times.reduction, reply.times.reduction);
  EXPECT_EQ(back.times.sharpening, reply.times.sharpening);
  EXPECT_EQ(back.width, 1280);
  EXPECT_EQ(back.height, 853);
  EXPECT_TRUE(back.pictureInRegion);
  EXPECT_EQ(back.cpuSeconds, 4.75);
  reply.reduced.info.exif = Bytes(40, 3);  // cut every prefix of a short one
  ExpectCutsRefused(reply);
  // Every result kind travels.
  for (FileResult r :
       {FileResult::kWritten, FileResult::kNotAnImage, FileResult::kCannotRead,
        FileResult::kCannotDecode, FileResult::kCannotProcess, FileResult::kCannotWrite}) {
    reply.reduced.result = r;
    EXPECT_EQ(RoundTrip(reply).reduced.result, r);
  }
}

TEST(DecodeMessage, RegionComesBackWithItsSize) {
  const RegionMessage region{std::uint64_t{5} << 32};
  EXPECT_EQ(RoundTrip(region).bytes, region.bytes);
  ExpectCutsRefused(region);
  MessageHeader header;
  header.kind = MessageKind::kRegion;
  const std::vector<std::uint8_t> head = EncodeHeader(header);
  EXPECT_EQ(DecodeHeader(head.data(), head.size()).kind, MessageKind::kRegion);
}

TEST(DecodeMessage, ReadyComesBackWithTheConfinement) {
  WorkerReady ready;
  ready.noNewPrivs = true;
  ready.landlockAbi = 7;
  ready.seccomp = true;
  ready.why = "nothing missing";
  ready.baselineBytes = std::uint64_t{3} << 33;
  const WorkerReady back = RoundTrip(ready);
  EXPECT_TRUE(back.noNewPrivs);
  EXPECT_EQ(back.landlockAbi, 7);
  EXPECT_TRUE(back.seccomp);
  EXPECT_EQ(back.why, ready.why);
  EXPECT_EQ(back.baselineBytes, ready.baselineBytes);
  EXPECT_TRUE(back.Confined());
  ready.landlockAbi = 0;
  EXPECT_FALSE(ready.Confined());
  ExpectCutsRefused(ready);
}

TEST(DecodeMessage, ProbesComeBackWithEveryField) {
  EXPECT_EQ(RoundTrip(ProbeRequest{"a b.jpeg"}).name, "a b.jpeg");
  ExpectCutsRefused(ProbeRequest{"x.png"});
  PictureProbe probe;
  probe.width = 5640;
  probe.height = 3172;
  probe.streams = true;
  probe.coefficients = true;
  probe.orientation = 8;
  probe.stripeBytes = 14'401'680;
  const ProbeReply back = RoundTrip(ProbeReply{probe});
  ASSERT_TRUE(back.probe);
  EXPECT_EQ(back.probe->width, 5640);
  EXPECT_EQ(back.probe->height, 3172);
  EXPECT_TRUE(back.probe->streams);
  EXPECT_TRUE(back.probe->coefficients);
  EXPECT_EQ(back.probe->orientation, 8);
  EXPECT_EQ(back.probe->stripeBytes, 14'401'680u);
  ExpectCutsRefused(ProbeReply{probe});
  EXPECT_FALSE(RoundTrip(ProbeReply{}).probe);
  // Stripes larger than the picture, and a size no bitmap can have, are refused.
  ProbeReply refused;
  probe.stripeBytes = 3ull * 5640 * 3172 + 1;
  std::vector<std::uint8_t> fields = EncodeFields(ProbeReply{probe});
  EXPECT_THROW(DecodeFields(fields.data(), fields.size(), refused), MessageError);
  probe.stripeBytes = 0;
  probe.width = 1 << 20;
  probe.height = 1 << 20;
  fields = EncodeFields(ProbeReply{probe});
  EXPECT_THROW(DecodeFields(fields.data(), fields.size(), refused), MessageError);
}

TEST(DecodeMessage, UntrustedRepliesAreHeldToTheirBounds) {
  // A picture larger than any bitmap, a negative side, an unknown result, a flag that is
  // neither 0 nor 1.
  DecodeReply reply;
  reply.width = 1 << 16;
  reply.height = 1 << 16;
  DecodeReply back;
  std::vector<std::uint8_t> fields = EncodeFields(reply);
  EXPECT_THROW(DecodeFields(fields.data(), fields.size(), back), MessageError);
  reply.width = -1;
  reply.height = 1;
  fields = EncodeFields(reply);
  EXPECT_THROW(DecodeFields(fields.data(), fields.size(), back), MessageError);
  reply.width = 0;
  reply.height = 0;
  fields = EncodeFields(reply);
  fields[0] = 200;
  EXPECT_THROW(DecodeFields(fields.data(), fields.size(), back), MessageError);
  // A length that runs past the message's end.
  DecodeRequest request;
  fields = EncodeFields(request);
  fields[0] = 0xFF;
  DecodeRequest backRequest;
  EXPECT_THROW(DecodeFields(fields.data(), fields.size(), backRequest), MessageError);

  MessageHeader header;
  header.kind = MessageKind::kReply;
  header.fieldBytes = 100;
  header.pixelBytes = 3000;
  std::vector<std::uint8_t> head = EncodeHeader(header);
  ASSERT_EQ(head.size(), kMessageHeaderBytes);
  const MessageHeader read = DecodeHeader(head.data(), head.size());
  EXPECT_EQ(read.kind, MessageKind::kReply);
  EXPECT_EQ(read.fieldBytes, 100u);
  EXPECT_EQ(read.pixelBytes, 3000u);
  head[0] ^= 1;  // another magic
  EXPECT_THROW(DecodeHeader(head.data(), head.size()), MessageError);
  header.fieldBytes = kMaxFieldBytes + 1;
  head = EncodeHeader(header);
  EXPECT_THROW(DecodeHeader(head.data(), head.size()), MessageError);
  header.fieldBytes = 0;
  header.pixelBytes = std::uint64_t{3} * WorkBitmap::kMaxPixels + 1;
  head = EncodeHeader(header);
  EXPECT_THROW(DecodeHeader(head.data(), head.size()), MessageError);
  header.pixelBytes = 0;
  head = EncodeHeader(header);
  head[4] = 9;  // an unknown kind
  EXPECT_THROW(DecodeHeader(head.data(), head.size()), MessageError);
}

}  // namespace
}  // namespace brevine
