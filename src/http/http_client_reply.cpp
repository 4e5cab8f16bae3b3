// THttpClient: reading the reply. The header is cut into lines by the reply reader and
// read line by line; the body goes to DocStream chunk by chunk as it arrives, up to its
// Content-Length. The limits on the header and the body are kept here: a failure inside
// the receive handling is an exception, which HandleReadable turns into a dropped
// connection and the request's failure.
#include <string>

#include "http/http_client.h"
#include "http/http_client_texts.h"
#include "http/http_header_line.h"

namespace kasumido {
namespace {

constexpr int kHttpNotFound = 404;

// A first line, or a line in the header, that opens an HTML document: the header ends
// there and the line belongs to the body.
bool OpensHtmlDocument(std::string_view line) {
  return line.size() >= 6 && AsciiLower(line.substr(0, 6)) == "<html>";
}

[[noreturn]] void InvalidReply() { throw EHttpException(http_text::kInvalidReply, kHttpNotFound); }

}  // namespace

// Bytes are waiting: read them until none is left, the request moves on, or a failure
// (a line too long, a broken reply, a limit, a document that cannot be written, a
// handler's exception) drops the connection and ends the request with its text.
void THttpClient::HandleReadable() {
  const std::uint64_t course = gate_.Course();
  try {
    for (bool more = true; more && gate_.Holds(course);) {
      if (state_ == HttpState::AwaitingHeader) {
        more = ReceiveHeader();
      } else if (state_ == HttpState::AwaitingBody && !request_ended_) {
        more = ReceiveBody();
      } else {
        return;
      }
    }
  } catch (const std::exception& error) {
    if (gate_.Holds(course)) {
      DropConnection(error.what());
    } else {
      loop_.ReportException(error);  // the request had moved on: nothing left to fail
    }
  }
}

bool THttpClient::ReceiveHeader() {
  if (reader_.Full()) throw EHttpException(http_text::kLineTooLong, http_error::kLineTooLong);
  const std::size_t count = stream_->Read(reader_.FreeSpace(), reader_.FreeSize());
  if (count == 0) return false;
  reader_.Commit(count);
  in_header_ = true;
  const std::uint64_t course = gate_.Course();
  while (const auto line = reader_.NextLine()) {
    HandleHeaderLine(*line);
    if (!gate_.Holds(course) || state_ != HttpState::AwaitingHeader) return true;
  }
  // A line that opens an HTML document is the body from its first six bytes on: it needs
  // no line end, and may be longer than the buffer.
  if (OpensHtmlDocument(reader_.Rest())) {
    if (header_line_count_++ == 0 && !Raise(OnHeaderBegin)) return false;
    const std::string_view body = reader_.Rest();
    reader_.Clear();
    BeginHtmlBody(body);
  }
  return true;
}

void THttpClient::BeginHtmlBody(std::string_view body) {
  if (reply_content_type_.empty()) reply_content_type_ = "text/html";
  in_header_ = false;
  if (!SetState(HttpState::AwaitingBody) || !Raise(OnHeaderEnd)) return;
  DeliverBody(body);
}

// Body bytes go from the stream straight into the body buffer and from there to
// DocStream, as one chunk per buffer filled: the stream is read until the buffer is full
// or nothing more is waiting, so that a TLS stream's records of 16 KB also reach the
// file in large writes.
bool THttpClient::ReceiveBody() {
  if (body_buffer_ == nullptr) body_buffer_ = std::make_unique<char[]>(kBodyBufferSize);
  std::size_t fill = 0;
  while (fill < kBodyBufferSize) {
    const std::size_t count = stream_->Read(body_buffer_.get() + fill, kBodyBufferSize - fill);
    if (count == 0) break;
    fill += count;
  }
  if (fill == 0) return false;
  DeliverBody(std::string_view(body_buffer_.get(), fill));
  return true;
}

void THttpClient::HandleHeaderLine(std::string_view line) {
  if (header_line_count_++ == 0 && !Raise(OnHeaderBegin)) return;
  if (OpensHtmlDocument(line)) {
    // The document has begun without a header end: this line and every byte after it
    // are body bytes, line ends included.
    const std::string_view body = reader_.FromLastLine();
    reader_.Clear();
    BeginHtmlBody(body);
    return;
  }
  if (line.empty()) {
    HandleHeaderEnd();
    return;
  }
  header_bytes_ += static_cast<std::int64_t>(line.size()) + 1;
  if (MaxHeaderBytes > 0 && header_bytes_ > MaxHeaderBytes) {
    throw EHttpException(http_text::HeaderTooLarge(MaxHeaderBytes), kHttpNotFound);
  }
  reply_header_lines_.emplace_back(line);
  if (IsStatusLine(line)) {
    const auto status = ParseStatusLine(line);
    if (!status) InvalidReply();
    reply_status_ = status->Status;
    reply_reason_ = status->Reason;
    local_failure_ = false;
  } else if (const auto field = SplitHeaderField(line)) {
    const std::uint64_t course = gate_.Course();
    HandleHeaderField(field->Name, field->Value);
    if (!gate_.Holds(course)) return;
  }
  const std::string received(line);
  Raise(OnHeaderData, received);
}

void THttpClient::HandleHeaderField(const std::string& name, std::string_view value) {
  if (name == "location") {
    relocation_pending_ = true;
    relocation_ = RelocatedTarget(target_, value, Proxy, ProxyPort);
    relocation_value_ = std::string(value);
  } else if (name == "content-length") {
    const auto length = ParseContentLength(value);
    if (!length) InvalidReply();
    reply_content_length_ = *length;
  } else if (name == "content-type") {
    reply_content_type_ = AsciiLower(value);
  } else if (name == "set-cookie") {
    bool accept = true;
    Raise(OnCookie, std::string(value), accept);  // nothing is stored
  }
}

void THttpClient::HandleHeaderEnd() {
  in_header_ = false;
  if (relocation_pending_) {
    if (!Raise(OnHeaderEnd)) return;
    // What the server sent after the header is dropped with the connection.
    reader_.Clear();
    header_line_count_ = 0;
    chunk_count_ = 0;
    if (stream_open_) {
      stream_open_ = false;
      stream_->Close();
    }
    FollowRelocation();
    return;
  }
  if (reply_content_length_ != 0) {
    // A document larger than allowed is refused before any of it is taken.
    if (reply_status_ < 400 && MaxBodyBytes > 0 && reply_content_length_ > MaxBodyBytes) {
      throw EHttpException(http_text::BodyTooLarge(MaxBodyBytes), kHttpNotFound);
    }
    const std::string_view first_chunk = reader_.Rest();
    reader_.Clear();
    if (!SetState(HttpState::AwaitingBody) || !Raise(OnHeaderEnd)) return;
    const std::uint64_t course = gate_.Course();
    if (!first_chunk.empty()) DeliverBody(first_chunk);
    // The rest of an error page is not read.
    if (gate_.Holds(course) && reply_status_ >= 400) CloseConnection();
    return;
  }
  // Content-Length 0: the request ends here. Closing our side at once leaves no
  // connection open for the next request to run into.
  if (!Raise(OnHeaderEnd)) return;
  EndRequest();
  if (stream_open_) {
    stream_open_ = false;
    stream_->Close();
  }
}

std::optional<std::int64_t> THttpClient::BodyLength() const {
  if (reply_content_length_ < 0) return std::nullopt;
  return reply_content_length_;
}

void THttpClient::DeliverBody(std::string_view chunk) {
  const std::optional<std::int64_t> length = BodyLength();
  // Bytes beyond the Content-Length are not part of the document.
  if (length && static_cast<std::int64_t>(chunk.size()) > *length - doc_bytes_) {
    chunk = chunk.substr(0, static_cast<std::size_t>(*length - doc_bytes_));
  }
  if (chunk.empty()) return;
  if (MaxBodyBytes > 0 && static_cast<std::int64_t>(chunk.size()) > MaxBodyBytes - doc_bytes_) {
    throw EHttpException(http_text::BodyTooLarge(MaxBodyBytes), kHttpNotFound);
  }
  if (chunk_count_++ == 0 && !Raise(OnDocBegin)) return;
  doc_bytes_ += static_cast<std::int64_t>(chunk.size());
  if (DocStream != nullptr) {
    try {
      DocStream->Write(chunk.data(), chunk.size());
    } catch (const std::exception&) {
      // The document would be incomplete: the request fails rather than pass as done.
      throw EHttpException(http_text::kCannotWrite, kHttpNotFound);
    }
  }
  if (!Raise(OnDocData, chunk.data(), chunk.size())) return;
  // The document is whole: the request ends now, whether or not the server closes.
  if (length && doc_bytes_ == *length) CloseConnection();
}

}  // namespace kasumido
