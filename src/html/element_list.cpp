#include "html/element_list.h"

namespace kasumido {

static_assert(sizeof(ElementRecord) == 16, "an element's record is meant to stay small");

ElementList::ElementList(ElementStore& store) : store_(store) {}

ElementList::~ElementList() {
  for (PoolBlock& block : blocks_) store_.Pool().Give(std::move(block));
}

void ElementList::AddChunk() {
  PoolBlock& block = blocks_.emplace_back(store_.Pool().Take(BlockPool::kUnit));
  next_ = reinterpret_cast<ElementRecord*>(block.bytes.get());
  chunk_end_ = next_ + kPerChunk;
  chunks_.push_back(next_);
}

}  // namespace kasumido
