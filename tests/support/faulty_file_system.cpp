#include "support/faulty_file_system.h"

#include <algorithm>
#include <utility>

namespace kasumido::test {
namespace {

std::string NameOf(const std::string& path) {
  const std::size_t last = path.find_last_of("/\\");
  return last == std::string::npos ? path : path.substr(last + 1);
}

// A file of the system's whose writes the faulty file system admits byte by byte.
class FaultyWritableFile final : public WritableFile {
 public:
  FaultyWritableFile(std::unique_ptr<WritableFile> file, FaultyFileSystem& faults, std::string name)
      : file_(std::move(file)), faults_(faults), name_(std::move(name)) {}

  bool Write(std::string_view bytes, std::string& error) override {
    std::string reason;
    const std::size_t taken = faults_.AdmitWrite(name_, bytes.size(), reason);
    if (taken > 0 && !file_->Write(bytes.substr(0, taken), error)) return false;
    if (reason.empty()) return true;
    error = reason;
    return false;
  }
  std::optional<std::int64_t> Size(std::string& error) override { return file_->Size(error); }
  bool Truncate(std::int64_t size, std::string& error) override {
    return file_->Truncate(size, error);
  }
  bool Flush(std::string& error) override { return file_->Flush(error); }
  bool Close(std::string& error) override { return file_->Close(error); }

 private:
  std::unique_ptr<WritableFile> file_;
  FaultyFileSystem& faults_;
  std::string name_;
};

// A file the host is rewriting: nothing in it yet.
class EmptyFile final : public ReadableFile {
 public:
  std::ptrdiff_t Read(char*, std::size_t) override { return 0; }
  std::optional<std::int64_t> Size() override { return 0; }
  bool Seek(std::int64_t offset) override { return offset == 0; }
};

}  // namespace

FaultyFileSystem::FaultyFileSystem() : FileSystemWrapper(SystemFileSystem()), scope_(*this) {}

FaultyFileSystem::~FaultyFileSystem() = default;

void FaultyFileSystem::Hold(const std::string& name, Access access, int times) {
  if (access != Access::kRead) held_for_writing_[name] = times;
  if (access != Access::kWrite) held_for_reading_[name] = times;
}

int FaultyFileSystem::Refusals(const std::string& name) const {
  const auto found = refusals_.find(name);
  return found == refusals_.end() ? 0 : found->second;
}

bool FaultyFileSystem::Use(std::map<std::string, int>& faults, const std::string& name) {
  const auto found = faults.find(name);
  if (found == faults.end() || found->second <= 0) return false;
  if (found->second != kAlways) --found->second;
  return true;
}

bool FaultyFileSystem::Refuse(const std::string& name, Access access) {
  const bool refused = Use(access == Access::kWrite ? held_for_writing_ : held_for_reading_, name);
  if (refused) ++refusals_[name];
  return refused;
}

std::size_t FaultyFileSystem::AdmitWrite(const std::string& name, std::size_t size,
                                         std::string& reason) {
  std::size_t taken = size;
  if (const auto cut = cuts_.find(name); cut != cuts_.end()) {
    taken = std::min(taken, cut->second);
    cuts_.erase(cut);
    reason = kWriteError;
  }
  if (static_cast<std::int64_t>(taken) > disk_left_) {
    taken = static_cast<std::size_t>(std::max<std::int64_t>(disk_left_, 0));
    reason = kDiskFull;
  }
  if (disk_left_ != std::numeric_limits<std::int64_t>::max()) {
    disk_left_ -= static_cast<std::int64_t>(taken);
  }
  return taken;
}

std::unique_ptr<WritableFile> FaultyFileSystem::OpenOutput(const std::string& path, OutputMode mode,
                                                           std::string& error) {
  const std::string name = NameOf(path);
  if (Refuse(name, Access::kWrite)) {
    error = kHeld;
    return nullptr;
  }
  std::unique_ptr<WritableFile> file = Target().OpenOutput(path, mode, error);
  if (!file) return nullptr;
  return std::make_unique<FaultyWritableFile>(std::move(file), *this, name);
}

std::unique_ptr<ReadableFile> FaultyFileSystem::OpenInput(const std::string& path) {
  const std::string name = NameOf(path);
  if (Refuse(name, Access::kRead)) return nullptr;
  if (Use(empty_reads_, name) && Target().KindOf(path) == PathKind::kFile) {
    ++refusals_[name];
    return std::make_unique<EmptyFile>();
  }
  return Target().OpenInput(path);
}

std::optional<Replacement> FaultyFileSystem::CreateReplacement(const std::string& path,
                                                               std::string& error) {
  std::optional<Replacement> replacement = Target().CreateReplacement(path, error);
  if (replacement) {
    replacement->file = std::make_unique<FaultyWritableFile>(std::move(replacement->file), *this,
                                                             NameOf(replacement->temporary_path));
  }
  return replacement;
}

bool FaultyFileSystem::Rename(const std::string& from, const std::string& to, std::string& error) {
  if (Refuse(NameOf(to), Access::kWrite)) {
    error = kHeld;
    return false;
  }
  return Target().Rename(from, to, error);
}

bool FaultyFileSystem::RemoveFile(const std::string& path) {
  const bool removed = !Refuse(NameOf(path), Access::kWrite) && Target().RemoveFile(path);
  removals_.push_back({path, removed});
  return removed;
}

}  // namespace kasumido::test
