// The texts the HTTP client reports as reasons and exception messages.
#pragma once

namespace kasumido::http_text {

inline constexpr const char* kBusy = "HTTP component is busy";
inline constexpr const char* kLineTooLong = "HTTP line too long";
inline constexpr const char* kAborted = "Connection aborted on request";
inline constexpr const char* kCannotResolve = "can't resolve hostname to IP address";
inline constexpr const char* kCannotConnect = "can't connect: ";
// A reply that ends before its header has ended, or breaks its rules.
inline constexpr const char* kHeaderNotEnded = "Connection closed before the end of the header";
inline constexpr const char* kInvalidReply = "Invalid HTTP reply";
inline constexpr const char* kTooManyRelocations = "Too many relocations";
inline constexpr const char* kUnsendableRelocation = "Relocation target holds a control byte";
inline constexpr const char* kCannotWrite = "Cannot write the document";

}  // namespace kasumido::http_text
