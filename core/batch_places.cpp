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

// PlaceOwners: a record is the writer's index, the key's length and the key's bytes,
// appended to the last block; a block is never moved, so a record stays where it is.

struct PlaceOwners::Record {
  std::uint64_t writer;
  std::uint64_t length;
};

namespace {
constexpr std::size_t kOwnerBlockBytes = 64 * 1024;
}

char* PlaceOwners::At(std::uint64_t ref) { return blocks_[ref >> 32].data() + (ref & 0xffffffffu); }

std::string_view PlaceOwners::KeyAt(std::uint64_t ref) {
  const char* at = At(ref);
  Record record;
  std::memcpy(&record, at, sizeof record);
  return {at + sizeof record, record.length};
}

std::uint64_t PlaceOwners::Append(std::string_view key, std::size_t index) {
  const std::size_t need = sizeof(Record) + key.size();
  if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < need) {
    if (blocks_.size() >= 0xffffffffu || need > 0xffffffffu)
      throw std::length_error("too many places");
    blocks_.emplace_back();
    blocks_.back().reserve(std::max(kOwnerBlockBytes, need));
  }
  std::vector<char>& block = blocks_.back();
  const std::uint64_t ref = (std::uint64_t{blocks_.size() - 1} << 32) | block.size();
  const Record record{index, key.size()};
  const char* bytes = reinterpret_cast<const char*>(&record);
  block.insert(block.end(), bytes, bytes + sizeof record);
  block.insert(block.end(), key.begin(), key.end());
  return ref;
}

void PlaceOwners::Grow() {
  std::vector<std::uint64_t> old(std::max<std::size_t>(16, slots_.size() * 2), kFree);
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (const std::uint64_t ref : old) {
    if (ref == kFree) continue;
    std::size_t i = std::hash<std::string_view>{}(KeyAt(ref)) & mask;
    while (slots_[i] != kFree) i = (i + 1) & mask;
    slots_[i] = ref;
  }
}

std::optional<std::size_t> PlaceOwners::Note(std::string_view key, std::size_t index) {
  if ((size_ + 1) * 4 > slots_.size() * 3) Grow();
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = std::hash<std::string_view>{}(key)&mask;
  for (; slots_[i] != kFree; i = (i + 1) & mask) {
    if (KeyAt(slots_[i]) != key) continue;
    char* at = At(slots_[i]);
    Record record;
    std::memcpy(&record, at, sizeof record);
    const std::size_t before = record.writer;
    record.writer = index;
    std::memcpy(at, &record, sizeof record);
    return before;
  }
  slots_[i] = Append(key, index);
  ++size_;
  return std::nullopt;
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
