#include "http/byte_stream.h"

#include "http/plain_stream.h"

namespace kasumido {

std::unique_ptr<ByteStream> MakeByteStream(EventLoop& loop, const RequestTarget& target) {
  return std::make_unique<PlainStream>(loop);
}

}  // namespace kasumido
