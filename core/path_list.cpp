#include "path_list.h"

#include <algorithm>
#include <stdexcept>

namespace brevine {
namespace {

// A record: a flags byte, the path, then the shown name unless it is the path. A text is
// the length it shares with the same text of the file before, the length of the rest, and
// the rest's bytes; lengths in seven-bit groups, low first. Every kStartEvery-th file
// starts afresh: it shares nothing with those before it.
constexpr std::uint8_t kShownIsPath = 1;
constexpr std::size_t kStartEvery = 16;
constexpr std::size_t kBlockBytes = 64 * 1024;
constexpr std::size_t kNumberBytes = 10;  // the most an encoded 64-bit length takes

std::size_t Shared(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  return static_cast<std::size_t>(
      std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n), b.begin()).first -
      a.begin());
}

// Reads records from one place on.
class Reader {
 public:
  explicit Reader(const char* at) : at_(at) {}
  std::uint8_t Byte() { return static_cast<std::uint8_t>(*at_++); }
  std::uint64_t Number() {
    std::uint64_t n = 0;
    for (int shift = 0;; shift += 7) {
      const std::uint8_t byte = Byte();
      n |= std::uint64_t{byte & 0x7fu} << shift;
      if (!(byte & 0x80)) return n;
    }
  }
  void Text(std::string& before) {
    const std::size_t shared = Number();
    const std::size_t rest = Number();
    before.resize(shared);
    before.append(at_, rest);
    at_ += rest;
  }
  const char* At() const { return at_; }

 private:
  const char* at_;
};

}  // namespace

void PathList::PutNumber(std::uint64_t n) {
  std::vector<char>& block = blocks_.back();
  do {
    const std::uint8_t low = n & 0x7f;
    n >>= 7;
    block.push_back(static_cast<char>(n ? low | 0x80 : low));
  } while (n);
}

void PathList::Put(const std::string& text, std::string& before) {
  const std::size_t shared = Shared(text, before);
  PutNumber(shared);
  PutNumber(text.size() - shared);
  std::vector<char>& block = blocks_.back();
  block.insert(block.end(), text.begin() + static_cast<std::ptrdiff_t>(shared), text.end());
  before = text;
}

void PathList::Append(const BatchPath& path) {
  if (path.unreadableFolder) {
    unreadable_.emplace_back(files_, path.shown);
    return;
  }
  const bool same = path.shown == path.path;
  // The record's bytes at most: a block is made for it when the last one lacks them.
  const std::size_t need = 1 + 4 * kNumberBytes + path.path.size() + (same ? 0 : path.shown.size());
  if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < need) {
    if (blocks_.size() >= 0xffffffffu || need > 0xffffffffu)
      throw std::length_error("too many paths");
    blocks_.emplace_back();
    blocks_.back().reserve(std::max(kBlockBytes, need));
  }
  if (files_ % kStartEvery == 0) {
    starts_.push_back((std::uint64_t{blocks_.size() - 1} << 32) | blocks_.back().size());
    lastPath_.clear();
    lastShown_.clear();
  }
  blocks_.back().push_back(static_cast<char>(same ? kShownIsPath : 0));
  Put(path.path, lastPath_);
  if (!same) Put(path.shown, lastShown_);
  ++files_;
}

BatchPath PathList::FileAt(std::size_t index) const {
  if (index >= files_) throw std::out_of_range("no such file in the list");
  const std::uint64_t start = starts_[index / kStartEvery];
  std::size_t block = static_cast<std::size_t>(start >> 32);
  const char* at = blocks_[block].data() + (start & 0xffffffffu);
  BatchPath p;
  // The shown name of the last record of the run that had one of its own.
  std::string shown;
  for (std::size_t i = index - index % kStartEvery;; ++i) {
    if (at == blocks_[block].data() + blocks_[block].size()) at = blocks_[++block].data();
    Reader read(at);
    const bool same = read.Byte() & kShownIsPath;
    read.Text(p.path);
    if (!same) read.Text(shown);
    if (i == index) {
      p.shown = same ? p.path : shown;
      return p;
    }
    at = read.At();
  }
}

std::size_t PathList::Bytes() const {
  std::size_t bytes = starts_.capacity() * sizeof(std::uint64_t);
  for (const std::vector<char>& block : blocks_) bytes += block.capacity();
  return bytes;
}

}  // namespace brevine
