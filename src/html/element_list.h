// The HTML element list of a page: its tags and texts in document order, as THTMLElement
// values (html_element.h) read from 16-byte records. The records fill blocks of the
// store's pool one after the other: the list never moves what it holds and a page of
// half a million elements costs a few hundred pooled blocks and no other allocation.
#pragma once

#include <cstddef>
#include <iterator>
#include <vector>

#include "html/block_pool.h"
#include "html/element_store.h"
#include "html/html_element.h"
#include "html/index_iterator.h"

namespace kasumido {

class ElementList {
 public:
  using Iterator = IndexIterator<ElementList, THTMLElement>;

  using value_type = THTMLElement;
  using const_iterator = Iterator;

  // REQUIRES: `store` outlives the list; the records' texts live there.
  explicit ElementList(ElementStore& store);
  ~ElementList();
  ElementList(const ElementList&) = delete;
  ElementList& operator=(const ElementList&) = delete;

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // REQUIRES: index < size().
  THTMLElement operator[](std::size_t index) const {
    return THTMLElement(store_, chunks_[index / kPerChunk][index % kPerChunk]);
  }
  Iterator begin() const { return Iterator(this, 0); }
  Iterator end() const { return Iterator(this, size_); }

  // Appends one element, its bytes already in the list's store.
  void Append(const ElementRecord& record) {
    if (next_ == chunk_end_) AddChunk();
    *next_++ = record;
    ++size_;
  }
  ElementStore& Store() { return store_; }

 private:
  static constexpr std::size_t kPerChunk = BlockPool::kUnit / sizeof(ElementRecord);

  void AddChunk();

  ElementStore& store_;
  std::vector<PoolBlock> blocks_;
  std::vector<ElementRecord*> chunks_;
  ElementRecord* next_ = nullptr;  // the free room of the last chunk
  ElementRecord* chunk_end_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace kasumido
