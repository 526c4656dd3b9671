#pragma once
// What a batch remembers of the places its files are read from and written to, kept small:
// a run over an archive of a million photos holds a few dozen bytes per file here, and
// the order of commits only as many entries as there are files in work.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "clock.h"
#include "folder_list.h"
#include "process_settings.h"

namespace brevine {

// The place a path names, as a text that two spellings of it share: the identity (device
// and inode) of the deepest folder above it that exists, then the rest as written. Links
// and ".." in the existing part are resolved by the system, not by the text, and the
// working folder's own path is never needed. The last step stays a name: a file that is
// replaced by a rename keeps its place.
// `above`, when given, receives the same place as it would have been named while folders
// below the deepest one were missing: one key for each existing folder further up.
std::string PlaceKey(const std::string& path, std::vector<std::string>* above = nullptr);

// A set of file identities, flat: about 30 bytes a file where a tree set takes 64.
class IdentitySet {
 public:
  // True when the identity was not there yet.
  bool Insert(const platform::FileIdentity& identity);
  bool Contains(const platform::FileIdentity& identity) const;
  std::size_t Size() const { return size_; }

 private:
  std::size_t Find(const platform::FileIdentity& identity) const;  // its slot, or a free one
  void Grow();

  std::vector<platform::FileIdentity> slots_;  // {0, 0} marks a free slot
  std::size_t size_ = 0;
  bool hasEmpty_ = false;  // the identity {0, 0} itself, which no slot can hold
};

// Which file of a batch last wrote each place, by its key. A key is split at its last '/'
// into its folder, numbered once (a batch writes into few folders), and its name; each
// place is one record of a few bytes packed into blocks (the writer and the folder as
// variable-length numbers, then the name), and the table holds four bytes a place.
class PlaceOwners {
 public:
  // `index` wrote `key`; returns the file that wrote it before, if any.
  std::optional<std::size_t> Note(std::string_view key, std::size_t index);
  std::size_t Size() const { return size_; }
  // The bytes the table holds, its folders' names left out.
  std::size_t Bytes() const;

 private:
  static constexpr std::uint32_t kFree = ~std::uint32_t{0};
  struct Place {
    std::uint64_t folder = 0;
    std::string_view name;
  };
  struct Record {  // a record as read back
    std::uint64_t writer = 0;
    Place place;
  };
  std::uint32_t Append(const Place& place, std::size_t index);
  Record At(std::uint32_t ref) const;
  static std::size_t Hash(const Place& place);
  void Grow();

  std::vector<std::uint32_t> slots_;  // where each record is (block << 16 | offset), or kFree
  std::vector<std::vector<char>> blocks_;
  std::unordered_map<std::string, std::uint64_t> folders_;  // a folder's text: its number
  std::size_t size_ = 0;
};

// Which earlier files each file of a batch must wait for, worked out as the files are
// handed out: a file that an earlier file's JPEG writes waits for that file's commit, and
// a wildcard path, whose match the earlier writes may change, waits for all before it.
// With skipexisting a file also waits for the earlier writer of its own output.
class CommitOrder {
 public:
  explicit CommitOrder(const platform::Clock& clock) : clock_(clock) {}

  // For the file at the next index: how many leading files must be committed before it may
  // be prepared. Then notes where its own JPEG goes.
  std::size_t Add(const std::string& path, const Options& options);
  // The first `count` files are committed: a file that waits for them waits for nothing,
  // so what they wrote need not be remembered any more.
  void Committed(std::size_t count);
  // The outputs remembered: at most those of the files handed out and not yet committed.
  std::size_t Remembered() const { return writers_.size(); }
  // Whether a file added with `before` and going through with `after` instead (its options
  // were taken again when it started) may keep the barrier it got, and the later files
  // theirs: both name the same output, and both do or both do not skip an existing one.
  bool SameWaits(const std::string& path, const Options& before, const Options& after) const;

 private:
  struct Writer {
    std::size_t after = 0;  // index + 1 of the last file that writes the place
    bool deep = false;      // named while a folder above the place was missing
  };
  using Writers = std::map<std::string, Writer>;
  // The last writer of the place `key` names (0: none); `above`: its other spellings.
  std::size_t LastWriter(const std::string& key, const std::vector<std::string>& above) const;

  const platform::Clock& clock_;
  Writers writers_;
  // Each noting of a writer in hand-out order, until its file is committed.
  std::deque<std::pair<std::size_t, Writers::iterator>> noted_;
  std::size_t deep_ = 0;           // writers_ entries with `deep` set
  std::size_t afterWildcard_ = 0;  // outputs past this are not all known
  std::size_t count_ = 0;
};

}  // namespace brevine
