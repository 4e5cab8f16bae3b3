// A byte stream through an HTTP proxy's CONNECT tunnel: once the connection to the proxy
// is open it sends the tunnel's request and reads the proxy's reply; a 2xx status opens
// the stream (the bytes after the reply's header are the tunnel's first ones), any other
// ends it with "the proxy refused the tunnel: <status> <reason>" and the proxy's status.
#pragma once

#include <memory>
#include <string>

#include "http/http_reply_reader.h"
#include "http/layered_stream.h"

namespace kasumido {

enum class TunnelPhase { kConnecting, kAsking, kOpen, kEnded };

class TunnelStream final : public LayeredStream<TunnelPhase> {
 public:
  // `request`: the tunnel's request as sent (http_request.h, TunnelRequestLines).
  // REQUIRES: `loop` outlives the stream.
  TunnelStream(EventLoop& loop, std::unique_ptr<ByteStream> inner, std::string request);

  std::size_t Read(char* buffer, std::size_t size) override;
  bool Write(std::string_view bytes) override;
  void Close() override;

 private:
  using Phase = TunnelPhase;

  void HandleInnerOpened() override;
  void HandleInnerReadable() override;
  void HandleInnerEnded(const StreamEnd& end) override;
  // Reads the proxy's reply; opens the stream or ends it once the header has ended.
  void ReadReply();
  bool TakeReplyLine(std::string_view line);

  std::string request_;
  HttpReplyReader reader_;  // the proxy's reply
  std::string early_;       // bytes that came through the tunnel with the reply
  std::size_t header_bytes_ = 0;
  int status_ = 0;
  std::string status_text_;  // "403 Forbidden"
};

}  // namespace kasumido
