// The retry list: the detail links whose book was not written, kept between runs in the
// program's own file beside the saved listing pages ("old/kasumidoRetry.txt" in the host's
// folder, where the host never looks), so that a book that failed once is tried again on
// the next runs whether or not its listing page changed.
//
// - A link is remembered with its listing folder ("/comic/") and category default code,
//   so it is followed exactly as its listing page would follow it.
// - A written link is forgotten; so is one whose page now holds no book.
// - A failed fetch (the site's failure) counts one run against the link, at most once per
//   run; a link that failed in kRetryRunLimit runs in a row is given up. A failure of this
//   machine (master file, page file) or a stop or skip keeps the link without counting,
//   so a locked master file or an interrupted run never uses up a book's runs.
// - Bounded: at most kRetryListCapacity links of at most kMaxRememberedLinkLength bytes;
//   a link that does not fit is not remembered, and the caller keeps its listing page
//   from counting as done.
// - The file is replaced atomically and is never needed for a run to work: a missing one
//   is an empty list, a damaged one is started afresh (its readable links kept), and one
//   that exists but cannot be read is left alone for the run (nothing remembered).
//
// File format (bytes as found on the pages): the first line kRetryListHeader, then one
// line per link, "<failed runs>\t<default code>\t<folder>\t<link>", each ended by CR LF.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "analysis/link_result.h"
#include "platform/files.h"

namespace kasumido {

inline constexpr std::string_view kRetryListFileName = "kasumidoRetry.txt";
inline constexpr std::string_view kRetryListHeader = "kasumido retry list 1";
// A site that fails a page in five runs in a row (normally five days of use) has dropped
// it for good; before that, a failure is taken for a passing one.
inline constexpr int kRetryRunLimit = 5;
// Twelve listing pages rarely hold more than a few hundred books in all; the bound is
// met only when every book of several runs failed on this machine.
inline constexpr std::size_t kRetryListCapacity = 1000;
inline constexpr std::size_t kMaxRememberedLinkLength = 2048;

struct RememberedLink {
  int failed_runs = 0;   // runs in a row in which its page could not be fetched
  int default_code = 0;  // the category default code of its listing
  std::string folder;    // the listing folder path, "/" at both ends ("/comic/")
  std::string link;      // the link value as followed

  bool operator==(const RememberedLink&) const = default;
};

class RetryList {
 public:
  enum class LoadState { kMissing, kLoaded, kDamaged, kUnreadable };
  // What noting a result did to the list.
  enum class Change { kNone, kForgotten, kKept, kGivenUp, kNotKept };

  // Reads the list at `path` (see above for missing, damaged and unreadable files).
  static RetryList Load(std::string path);

  LoadState State() const { return state_; }
  const std::vector<RememberedLink>& Links() const { return links_; }

  // The links of `folder` and `default_code` that this run has not yet followed to an end
  // (a stop or skip does not count), in the order they were remembered.
  std::vector<std::string> Pending(std::string_view folder, int default_code) const;

  // Takes what became of a link of `folder` and `default_code` in this run.
  // kForgotten: written, or no book (it was remembered); kKept: its book is still missing
  // and it is remembered; kGivenUp: it has now failed in kRetryRunLimit runs in a row and
  // is forgotten; kNotKept: its book is missing but it cannot be remembered (list full,
  // link too long or holding a line break); kNone: nothing changed (a result for a link
  // whose book this run has already written, or a new link whose page holds no book).
  Change Note(std::string_view folder, int default_code, const LinkResult& result);

  // Whether the list differs from its file.
  bool Changed() const { return changed_; }
  // Replaces the file with the list atomically. Fails without writing when the file could
  // not be read at the start (so links it may hold are never overwritten).
  FileWriteStatus Save();

 private:
  using Key = std::tuple<std::string, int, std::string>;  // folder, default code, link

  explicit RetryList(std::string path) : path_(std::move(path)) {}
  void Parse(std::string_view bytes);
  std::vector<RememberedLink>::iterator Find(const Key& key);
  std::string Serialize() const;

  std::string path_;
  LoadState state_ = LoadState::kMissing;
  std::vector<RememberedLink> links_;
  bool changed_ = false;
  std::set<Key> followed_;  // links followed in this run (an interrupted one is not)
  std::set<Key> counted_;   // links whose failed fetch this run has counted
  std::set<Key> written_;   // links whose book this run wrote
};

}  // namespace kasumido
