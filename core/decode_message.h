#pragma once
// The messages between the batch and a decode worker, as plain bytes. Every message is a
// fixed header (magic, kind, the lengths of its two parts) followed by its fields and, for
// a reply, the picture's rows. Whatever a worker sends is read as untrusted: every length
// is checked against what is left and against the bounds below, and a malformed message
// raises MessageError.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "codecs.h"
#include "option_table.h"
#include "pipeline.h"

namespace brevine {

class MessageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class MessageKind : std::uint32_t {
  kReady = 1,
  kRequest = 2,
  kReply = 3,
  kProbeRequest = 4,  // the header of a source, for the batch's memory count
  kProbeReply = 5,
  kRegion = 6,  // the shared region the worker writes pictures into; its descriptor beside
};

struct MessageHeader {
  std::uint32_t magic = 0;  // written by EncodeHeader, checked by DecodeHeader
  MessageKind kind = MessageKind::kReady;
  std::uint64_t fieldBytes = 0;  // the fields that follow
  std::uint64_t pixelBytes = 0;  // then the picture's rows, width x 3 bytes each
};
inline constexpr std::size_t kMessageHeaderBytes = 24;
// The most field bytes a message may announce (a colour profile and an EXIF block, texts).
inline constexpr std::uint64_t kMaxFieldBytes = std::uint64_t{64} << 20;

std::vector<std::uint8_t> EncodeHeader(const MessageHeader& header);
// Raises when the magic is wrong, the kind unknown or a length beyond its bound.
MessageHeader DecodeHeader(const std::uint8_t* data, std::size_t size);

// A worker's first message, once it is confined (or has found it cannot be).
struct WorkerReady {
  bool noNewPrivs = false;
  int landlockAbi = 0;  // the ABI its ruleset used; 0: no Landlock domain
  bool seccomp = false;
  std::string why;                  // what could not be put in place, when something could not
  std::uint64_t baselineBytes = 0;  // its address space when ready
  bool Confined() const { return noNewPrivs && landlockAbi > 0 && seccomp; }
};

// One file for a worker: its source descriptor travels beside the message.
struct DecodeRequest {
  std::string name;  // for the extension test and messages
  Options options;
  LoadRequest load;
};

// What a worker sends back about one file; the picture's rows follow the fields.
struct DecodeReply {
  ReducedSource reduced;
  bool memoryExceeded = false;  // an allocation failed under the memory allowance
  StageTimes times;             // load, saturation, reduction, sharpening
  int width = 0;                // the picture, when reduced.result is kWritten
  int height = 0;
  // The picture's rows are at the start of the shared region rather than after the
  // fields.
  bool pictureInRegion = false;
  double cpuSeconds = 0;  // the worker's CPU time so far, after this file
};

// The region a worker writes reduced pictures into (see kRegion), as the batch made it.
struct RegionMessage {
  std::uint64_t bytes = 0;
};

// What a file's header says (ProbeImage), read by a worker: the source's name goes there,
// its descriptor beside the message; nothing comes back when the header does not tell.
struct ProbeRequest {
  std::string name;
};
struct ProbeReply {
  std::optional<PictureProbe> probe;
};

std::vector<std::uint8_t> EncodeFields(const ProbeRequest& request);
std::vector<std::uint8_t> EncodeFields(const ProbeReply& reply);
void DecodeFields(const std::uint8_t* data, std::size_t size, ProbeRequest& request);
// Also checks the sides against WorkBitmap's bounds.
void DecodeFields(const std::uint8_t* data, std::size_t size, ProbeReply& reply);

std::vector<std::uint8_t> EncodeFields(const RegionMessage& region);
void DecodeFields(const std::uint8_t* data, std::size_t size, RegionMessage& region);

std::vector<std::uint8_t> EncodeFields(const WorkerReady& ready);
std::vector<std::uint8_t> EncodeFields(const DecodeRequest& request);
std::vector<std::uint8_t> EncodeFields(const DecodeReply& reply);
void DecodeFields(const std::uint8_t* data, std::size_t size, WorkerReady& ready);
void DecodeFields(const std::uint8_t* data, std::size_t size, DecodeRequest& request);
// Also checks that the picture's size is within WorkBitmap's bounds.
void DecodeFields(const std::uint8_t* data, std::size_t size, DecodeReply& reply);

}  // namespace brevine
