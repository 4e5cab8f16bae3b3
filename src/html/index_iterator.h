// The forward iterator of a list whose elements are made on demand from its index (the
// element list, a tag's parameters, a page's lines): a value, not a reference, comes out.
#pragma once

#include <cstddef>
#include <iterator>

namespace kasumido {

// REQUIRES: `List` answers `Value operator[](std::size_t) const`, and outlives its
// iterators.
template <typename List, typename Value>
class IndexIterator {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = Value;
  using difference_type = std::ptrdiff_t;
  using pointer = void;
  using reference = Value;

  IndexIterator() = default;
  IndexIterator(const List* list, std::size_t index) : list_(list), index_(index) {}
  Value operator*() const { return (*list_)[index_]; }
  IndexIterator& operator++() {
    ++index_;
    return *this;
  }
  IndexIterator operator++(int) {
    IndexIterator before = *this;
    ++index_;
    return before;
  }
  bool operator==(const IndexIterator& other) const { return index_ == other.index_; }

 private:
  const List* list_ = nullptr;
  std::size_t index_ = 0;
};

}  // namespace kasumido
