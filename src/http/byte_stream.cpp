#include "http/byte_stream.h"

#include "http/plain_stream.h"
#include "http/tls_stream.h"
#include "http/tunnel_stream.h"

namespace kasumido {

std::unique_ptr<ByteStream> MakeByteStream(EventLoop& loop, const RequestTarget& target,
                                           const std::string& tunnel_request) {
  std::unique_ptr<ByteStream> stream = std::make_unique<PlainStream>(loop);
  if (!target.Secure) return stream;
  std::string peer = target.ConnectHost + ":" + target.ConnectPort;
  if (!target.Tunnel.empty()) {
    stream = std::make_unique<TunnelStream>(loop, std::move(stream), tunnel_request);
    peer = target.Tunnel;
  }
  return std::make_unique<TlsStream>(loop, std::move(stream), target.TargetHost, peer);
}

}  // namespace kasumido
