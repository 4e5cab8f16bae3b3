// A saved page read line by line, cut the way the page loader cuts it: a line ends at
// CR LF, at a lone LF or at a lone CR, the line-end bytes are not part of the line, and
// the text ends at the first NUL byte. A line end at the very end of the text starts no
// further (empty) line. The reader holds one block of the text at a time, so a page of
// any size costs the same memory. The tokenizer's loader and the page comparison both
// read pages through it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace kasumido {

class PageLineReader {
 public:
  // Fills `buffer` with up to `size` bytes of the text: the count, 0 at its end, -1 when
  // reading failed.
  using ReadBytes = std::function<std::ptrdiff_t(char* buffer, std::size_t size)>;

  explicit PageLineReader(ReadBytes read);
  PageLineReader(const PageLineReader&) = delete;
  PageLineReader& operator=(const PageLineReader&) = delete;

  // True when no further line follows: the text ended, a NUL byte was met, or reading
  // failed.
  bool AtEnd();
  // The next line without its ending; empty at the end.
  std::string ReadLine();
  // True once reading failed (an I/O error, not the end of the text).
  bool Failed() const { return failed_; }

 private:
  // Makes at least one unread byte available unless the text has ended. False at the end.
  bool Fill();

  ReadBytes read_;
  std::string buffer_;
  std::size_t next_ = 0;
  bool ended_ = false;
  bool failed_ = false;
};

}  // namespace kasumido
