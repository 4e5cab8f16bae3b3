// What the file classes do the same way on every back end: moving and releasing handles.
#include "platform/files.h"

#include <utility>

namespace kasumido {

OutputFile::OutputFile(OutputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kClosedFile)) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    std::string ignored;
    Close(ignored);
    handle_ = std::exchange(other.handle_, kClosedFile);
  }
  return *this;
}

OutputFile::~OutputFile() { CloseFileHandle(handle_); }

InputFile::InputFile(InputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kClosedFile)) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    CloseFileHandle(handle_);
    handle_ = std::exchange(other.handle_, kClosedFile);
  }
  return *this;
}

InputFile::~InputFile() { CloseFileHandle(handle_); }

}  // namespace kasumido
