// A saved page as a list of lines, the form in which the tokenizer reads it.
// The bytes are cut at CR LF, at a lone LF and at a lone CR; the line-end bytes are not
// kept; the text ends at the first NUL byte. A line end at the very end does not start
// another (empty) line, so "a\n" is one line and "a\n\n" two.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "html/element_store.h"
#include "html/index_iterator.h"

namespace kasumido {

// The lines of `bytes`, cut as above.
std::vector<std::string> SplitPageLines(std::string_view bytes);

// The lines of one page, kept in its parser's element store: one stretch of bytes in
// which every line is followed by one LF, so that the tokenizer takes a text that runs
// over several lines straight from the page. Replacing the lines keeps the old ones in
// the store (elements cut from them stay valid) until the store goes.
class PageLines {
 public:
  using Iterator = IndexIterator<PageLines, std::string_view>;

  using value_type = std::string_view;
  using const_iterator = Iterator;

  // REQUIRES: `store` outlives the lines.
  explicit PageLines(ElementStore& store) : store_(store) {}
  PageLines(const PageLines&) = delete;

  // Replaces the lines with those of the page text `bytes`, cut as above.
  void AssignPage(std::string_view bytes);
  // Replaces the lines with `lines`, each taken whole as it is.
  PageLines& operator=(const std::vector<std::string>& lines);
  PageLines& operator=(std::initializer_list<std::string_view> lines);
  // Replaces the lines with those of the page file at `path`. False, with the lines
  // untouched, when the file cannot be opened or read (also for a folder).
  bool Load(const std::string& path);

  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  // REQUIRES: index < size().
  std::string_view operator[](std::size_t index) const {
    return std::string_view(Bytes() + Start(index), Start(index + 1) - 1 - Start(index));
  }
  Iterator begin() const { return Iterator(this, 0); }
  Iterator end() const { return Iterator(this, count_); }
  bool operator==(const std::vector<std::string>& other) const;

  // The stretch of all lines, each followed by its LF, and its place in the store;
  // line `index` starts Start(index) bytes into it. REQUIRES: !empty().
  const char* Bytes() const { return store_.At(bytes_); }
  StoreOffset BytesOffset() const { return bytes_; }
  std::size_t Start(std::size_t index) const {
    return reinterpret_cast<const std::uint32_t*>(store_.At(starts_))[index];
  }

 private:
  // Takes the `size` bytes of page text at `bytes_` as the lines: cuts them in place and
  // indexes them. REQUIRES: the piece has room for one more byte.
  void CutPage(std::size_t size);
  std::uint32_t* Starts() { return reinterpret_cast<std::uint32_t*>(store_.At(starts_)); }

  ElementStore& store_;
  StoreOffset bytes_ = 0;
  StoreOffset starts_ = 0;  // count_ + 1 offsets into the stretch; the last is its size
  std::size_t count_ = 0;
};

}  // namespace kasumido
