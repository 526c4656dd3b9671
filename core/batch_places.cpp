#include "batch_places.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "output_stage.h"
#include "path_text.h"
#include "pipeline.h"

namespace brevine {
namespace {

std::string IdentityText(const struct stat& st) {
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

bool IsFolder(const std::string& path, struct stat& st) {
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// PlaceKey, and whether a folder between the place and the folder it is anchored at was
// missing.
std::string PlaceKeyOf(const std::string& path, std::vector<std::string>* above, bool* deep) {
  std::string head = platform::ParentFolder(path);
  std::string tail = "/" + platform::NamePart(path);
  if (deep) *deep = false;
  struct stat st;
  for (;;) {
    if (IsFolder(head, st)) break;
    if (head == "." || head == "/") return path;
    tail = "/" + platform::NamePart(head) + tail;
    head = platform::ParentFolder(head);
    if (deep) *deep = true;
  }
  std::string key = IdentityText(st) + tail;
  if (above) {
    while (head != "." && head != "/") {
      tail = "/" + platform::NamePart(head) + tail;
      head = platform::ParentFolder(head);
      if (IsFolder(head, st)) above->push_back(IdentityText(st) + tail);
    }
  }
  return key;
}

std::uint64_t Mix(std::uint64_t x) {  // splitmix64's finaliser
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

bool IsUnresolvedWildcard(const std::string& path) {
  if (platform::NamePart(path).find_first_of("*?[") == std::string::npos) return false;
  struct stat st;
  return ::lstat(path.c_str(), &st) != 0;
}

}  // namespace

std::string PlaceKey(const std::string& path, std::vector<std::string>* above) {
  return PlaceKeyOf(path, above, nullptr);
}

// IdentitySet: open addressing with linear probing, at most three quarters full.

std::size_t IdentitySet::Find(const platform::FileIdentity& identity) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = Mix(identity.inode * 0x9e3779b97f4a7c15ULL ^ identity.device) & mask;
  while (slots_[i] != platform::FileIdentity{} && slots_[i] != identity) i = (i + 1) & mask;
  return i;
}

void IdentitySet::Grow() {
  std::vector<platform::FileIdentity> old(std::max<std::size_t>(16, slots_.size() * 2));
  old.swap(slots_);
  for (const platform::FileIdentity& identity : old)
    if (identity != platform::FileIdentity{}) slots_[Find(identity)] = identity;
}

bool IdentitySet::Insert(const platform::FileIdentity& identity) {
  if (identity == platform::FileIdentity{}) {
    const bool fresh = !hasEmpty_;
    hasEmpty_ = true;
    size_ += fresh;
    return fresh;
  }
  if ((size_ + 1) * 4 > slots_.size() * 3) Grow();
  const std::size_t i = Find(identity);
  if (slots_[i] == identity) return false;
  slots_[i] = identity;
  ++size_;
  return true;
}

bool IdentitySet::Contains(const platform::FileIdentity& identity) const {
  if (identity == platform::FileIdentity{}) return hasEmpty_;
  return !slots_.empty() && slots_[Find(identity)] == identity;
}

// PlaceOwners: a record is the writer's index, the folder's number and the name's length as
// variable-length numbers, then the name, appended to the last block; a block is never
// moved, so a record stays where it is. A writer that replaces another appends a new record
// (the number may need more bytes): a batch rarely writes one place twice.

namespace {

constexpr std::size_t kOwnerBlockBytes = std::size_t{1} << 16;  // offsets fit 16 bits
constexpr std::size_t kMaxOwnerBlocks = std::size_t{1} << 16;

void PutNumber(std::vector<char>& out, std::uint64_t n) {
  for (; n >= 0x80; n >>= 7) out.push_back(static_cast<char>((n & 0x7f) | 0x80));
  out.push_back(static_cast<char>(n));
}

std::uint64_t TakeNumber(const char*& at) {
  std::uint64_t n = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(*at++);
    n |= std::uint64_t{byte & 0x7fu} << shift;
    if (byte < 0x80) return n;
  }
}

std::size_t NumberBytes(std::uint64_t n) {
  std::size_t bytes = 1;
  for (; n >= 0x80; n >>= 7) ++bytes;
  return bytes;
}

}  // namespace

std::size_t PlaceOwners::Hash(const Place& place) {
  return std::hash<std::string_view>{}(place.name) ^ Mix(place.folder);
}

PlaceOwners::Record PlaceOwners::At(std::uint32_t ref) const {
  const char* at = blocks_[ref >> 16].data() + (ref & 0xffffu);
  Record record;
  record.writer = TakeNumber(at);
  record.place.folder = TakeNumber(at);
  const std::uint64_t length = TakeNumber(at);
  record.place.name = {at, static_cast<std::size_t>(length)};
  return record;
}

std::uint32_t PlaceOwners::Append(const Place& place, std::size_t index) {
  const std::size_t need = NumberBytes(index) + NumberBytes(place.folder) +
                           NumberBytes(place.name.size()) + place.name.size();
  // A record longer than a block has a block of its own, at offset 0.
  // Offsets are 16 bits: a block is not filled past its first 64 KiB.
  if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < need ||
      blocks_.back().size() >= kOwnerBlockBytes) {
    if (blocks_.size() >= kMaxOwnerBlocks) throw std::length_error("too many places");
    blocks_.emplace_back();
    blocks_.back().reserve(std::max(kOwnerBlockBytes, need));
  }
  std::vector<char>& block = blocks_.back();
  const auto ref = static_cast<std::uint32_t>(((blocks_.size() - 1) << 16) | block.size());
  PutNumber(block, index);
  PutNumber(block, place.folder);
  PutNumber(block, place.name.size());
  block.insert(block.end(), place.name.begin(), place.name.end());
  return ref;
}

void PlaceOwners::Grow() {
  std::vector<std::uint32_t> old(std::max<std::size_t>(16, slots_.size() * 2), kFree);
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (const std::uint32_t ref : old) {
    if (ref == kFree) continue;
    std::size_t i = Hash(At(ref).place) & mask;
    while (slots_[i] != kFree) i = (i + 1) & mask;
    slots_[i] = ref;
  }
}

std::optional<std::size_t> PlaceOwners::Note(std::string_view key, std::size_t index) {
  // The folder keeps its '/', so that "a" and "/a" stay two places.
  const std::size_t slash = key.rfind('/');
  const std::size_t split = slash == std::string_view::npos ? 0 : slash + 1;
  const auto folder =
      folders_.try_emplace(std::string(key.substr(0, split)), folders_.size()).first;
  const Place place{folder->second, key.substr(split)};
  if ((size_ + 1) * 4 > slots_.size() * 3) Grow();
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = Hash(place) & mask;
  for (; slots_[i] != kFree; i = (i + 1) & mask) {
    const Record record = At(slots_[i]);
    if (record.place.folder != place.folder || record.place.name != place.name) continue;
    slots_[i] = Append(place, index);
    return static_cast<std::size_t>(record.writer);
  }
  slots_[i] = Append(place, index);
  ++size_;
  return std::nullopt;
}

std::size_t PlaceOwners::Bytes() const {
  std::size_t bytes = slots_.capacity() * sizeof(std::uint32_t);
  for (const std::vector<char>& block : blocks_) bytes += block.capacity();
  return bytes;
}

// CommitOrder

std::size_t CommitOrder::LastWriter(const std::string& key,
                                    const std::vector<std::string>& above) const {
  std::size_t after = 0;
  if (const auto w = writers_.find(key); w != writers_.end()) after = w->second.after;
  for (const std::string& other : above)
    if (const auto w = writers_.find(other); w != writers_.end())
      after = std::max(after, w->second.after);
  return after;
}

std::size_t CommitOrder::Add(const std::string& path, const Options& options) {
  const std::size_t i = count_++;
  if (IsUnresolvedWildcard(path)) {
    afterWildcard_ = i + 1;
    return i;
  }
  if (!HasImageExtension(path)) return 0;  // never read, never written
  // A place noted while a folder above it was still missing (the run makes it) is found
  // again through the folders that existed then.
  std::vector<std::string> above;
  const std::string place = PlaceKey(path, deep_ ? &above : nullptr);
  std::size_t barrier = std::max(afterWildcard_, LastWriter(place, above));
  try {
    // The naming goes through the same steps as the commit will, on a copy: an empty
    // added text becomes "s-" there too.
    FixedSettings naming(options);
    const OutputTarget target = ChooseOutput(naming, clock_, DestinationBase(path));
    if (target.valid) {
      above.clear();
      bool deep = false;
      const std::string output = PlaceKeyOf(target.jpegPath, deep_ ? &above : nullptr, &deep);
      // Whether the result is there already is asked before the file is read: it must be
      // asked after an earlier file of the batch with the same output has written it.
      if (options.skipExisting) barrier = std::max(barrier, LastWriter(output, above));
      const auto [it, fresh] = writers_.try_emplace(output);
      if (!fresh && it->second.deep) --deep_;
      it->second = Writer{i + 1, deep};
      if (deep) ++deep_;
      noted_.emplace_back(i + 1, it);
    }
  } catch (...) {
    // No output to wait for.
  }
  return barrier;
}

bool CommitOrder::SameWaits(const std::string& path, const Options& before,
                            const Options& after) const {
  if (before == after) return true;
  if (before.skipExisting != after.skipExisting) return false;
  if (IsUnresolvedWildcard(path) || !HasImageExtension(path)) return true;  // named by neither
  const auto named = [&](const Options& options) -> std::optional<std::string> {
    try {
      FixedSettings naming(options);
      const OutputTarget target = ChooseOutput(naming, clock_, DestinationBase(path));
      if (target.valid) return target.jpegPath;
    } catch (...) {
      // Not named at all.
    }
    return std::nullopt;
  };
  return named(before) == named(after);
}

void CommitOrder::Committed(std::size_t count) {
  while (!noted_.empty() && noted_.front().first <= count) {
    const auto [after, it] = noted_.front();
    noted_.pop_front();
    // A later writer of the same place has its own noting.
    if (it->second.after != after) continue;
    if (it->second.deep) --deep_;
    writers_.erase(it);
  }
}

}  // namespace brevine
