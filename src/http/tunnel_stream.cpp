#include "http/tunnel_stream.h"

#include <algorithm>
#include <cstring>

#include "http/http_client.h"
#include "http/http_client_texts.h"
#include "http/http_header_line.h"

namespace kasumido {
namespace {

constexpr int kHttpNotFound = 404;

bool Succeeded(int status) { return status >= 200 && status < 300; }

}  // namespace

TunnelStream::TunnelStream(EventLoop& loop, std::unique_ptr<ByteStream> inner, std::string request)
    : LayeredStream("TunnelStream", loop, std::move(inner)), request_(std::move(request)) {}

void TunnelStream::HandleInnerOpened() {
  phase_ = Phase::kAsking;
  inner_->Write(request_);  // a refusal ends the inner stream, and so this one
}

void TunnelStream::HandleInnerReadable() {
  if (phase_ == Phase::kAsking) {
    ReadReply();
  } else if (phase_ == Phase::kOpen) {
    gate_.Raise(OnReadable);
  }
}

void TunnelStream::ReadReply() {
  for (;;) {
    if (reader_.Full()) {
      End({0, http_text::TunnelRefused(http_text::kLineTooLong), kHttpNotFound});
      inner_->Abort();
      return;
    }
    const std::size_t count = inner_->Read(reader_.FreeSpace(), reader_.FreeSize());
    if (count == 0) return;
    reader_.Commit(count);
    while (const auto line = reader_.NextLine()) {
      if (!TakeReplyLine(*line)) return;
    }
  }
}

// False once the reply's header has ended (or broke a rule) and the stream has opened
// or ended.
bool TunnelStream::TakeReplyLine(std::string_view line) {
  header_bytes_ += line.size() + 1;
  if (status_ == 0) {
    const auto status = IsStatusLine(line) ? ParseStatusLine(line) : std::nullopt;
    if (!status) {
      End({0, http_text::TunnelRefused(http_text::kInvalidReply), kHttpNotFound});
      inner_->Abort();
      return false;
    }
    status_ = status->Status;
    status_text_ = std::to_string(status->Status) + " " + status->Reason;
    return true;
  }
  if (header_bytes_ > static_cast<std::size_t>(kMaxHeaderBytes)) {
    End({0, http_text::TunnelRefused(http_text::HeaderTooLarge(kMaxHeaderBytes)), kHttpNotFound});
    inner_->Abort();
    return false;
  }
  if (!line.empty()) return true;
  if (!Succeeded(status_)) {
    End({0, http_text::TunnelRefused(status_text_), status_ >= 400 ? status_ : kHttpNotFound});
    inner_->Close();
    return false;
  }
  phase_ = Phase::kOpen;
  early_ = reader_.Rest();
  reader_.Clear();
  if (gate_.Raise(OnOpened) && !early_.empty()) gate_.Raise(OnReadable);
  return false;
}

void TunnelStream::HandleInnerEnded(const StreamEnd& end) {
  if (phase_ == Phase::kAsking) {
    End({end.error,
         end.error != 0 ? end.reason : http_text::TunnelRefused(http_text::kServerClosed), 0});
    return;
  }
  End(end);
}

std::size_t TunnelStream::Read(char* buffer, std::size_t size) {
  if (phase_ != Phase::kOpen) return 0;
  if (early_.empty()) return inner_->Read(buffer, size);
  const std::size_t count = std::min(size, early_.size());
  std::memcpy(buffer, early_.data(), count);
  early_.erase(0, count);
  return count;
}

bool TunnelStream::Write(std::string_view bytes) {
  return phase_ == Phase::kOpen && inner_->Write(bytes);
}

void TunnelStream::Close() {
  phase_ = Phase::kEnded;
  gate_.Move();
  inner_->Close();
}

}  // namespace kasumido
