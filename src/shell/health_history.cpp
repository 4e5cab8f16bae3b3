#include "shell/health_history.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <optional>

namespace kasumido {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kRunTag = "run";
// Twelve steps of a few dozen bytes per run: a file larger than this is not ours.
constexpr std::size_t kMaxFileSize = 64 * 1024;
constexpr std::string_view kStateLetters = "-FUAI";  // StepState order

std::optional<int> ParseCount(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t at = 0;;) {
    const std::size_t next = text.find(separator, at);
    parts.push_back(text.substr(at, next - at));
    if (next == std::string_view::npos) return parts;
    at = next + 1;
  }
}

void AppendStep(std::string& text, std::size_t index, const StepHealth& step) {
  text += std::to_string(index + 1);
  text += '\t';
  text += kStateLetters[static_cast<std::size_t>(step.state)];
  for (int count :
       {step.links, step.fetched, step.failed, step.written, step.not_written, step.limiting}) {
    text += '\t';
    text += std::to_string(count);
  }
  text += '\t';
  for (int field = 0; field < kBookFieldCount; ++field) {
    if (field > 0) text += ',';
    text += std::to_string(step.filled[static_cast<std::size_t>(field)]);
  }
  text += kLineEnd;
}

// One step line of run step `index`, or nothing when it is not one the program writes.
std::optional<StepHealth> ParseStep(std::string_view line, std::size_t index) {
  const std::vector<std::string_view> parts = Split(line, '\t');
  if (parts.size() != 9 || parts[0] != std::to_string(index + 1) || parts[1].size() != 1) {
    return std::nullopt;
  }
  StepHealth step;
  const std::size_t state = kStateLetters.find(parts[1][0]);
  if (state == std::string_view::npos) return std::nullopt;
  step.state = static_cast<StepState>(state);
  int* counts[] = {&step.links,   &step.fetched,     &step.failed,
                   &step.written, &step.not_written, &step.limiting};
  for (std::size_t i = 0; i < std::size(counts); ++i) {
    const std::optional<int> count = ParseCount(parts[2 + i]);
    if (!count) return std::nullopt;
    *counts[i] = *count;
  }
  const std::vector<std::string_view> filled = Split(parts[8], ',');
  if (filled.size() != kBookFieldCount) return std::nullopt;
  for (std::size_t field = 0; field < filled.size(); ++field) {
    const std::optional<int> count = ParseCount(filled[field]);
    if (!count || *count > step.written) return std::nullopt;
    step.filled[field] = *count;
  }
  return step;
}

}  // namespace

void StepHealth::Note(const LinkResult& result) {
  switch (result.outcome) {
    case LinkOutcome::kWritten:
      ++fetched;
      ++written;
      for (int field = 0; field < kBookFieldCount; ++field) {
        if (result.filled_fields & FieldBit(static_cast<BookField>(field))) {
          ++filled[static_cast<std::size_t>(field)];
        }
      }
      break;
    case LinkOutcome::kNoBook:
      ++fetched;
      break;
    case LinkOutcome::kNotWritten:
      ++fetched;
      ++not_written;
      break;
    case LinkOutcome::kFetchFailed:
      ++failed;
      break;
    case LinkOutcome::kInterrupted:
      break;
  }
  limiting += result.limiting_answers;
}

HealthHistory HealthHistory::Load(std::string path) {
  HealthHistory history(std::move(path));
  if (!PathExists(history.path_)) return history;
  const std::optional<std::string> bytes = ReadWholeFile(history.path_, kMaxFileSize + 1);
  const bool whole = bytes && bytes->size() <= kMaxFileSize && Parse(*bytes, history.runs_);
  history.state_ = whole ? LoadState::kLoaded : LoadState::kDamaged;
  return history;
}

void HealthHistory::Add(RunHealth run) {
  runs_.push_back(std::move(run));
  if (runs_.size() > kHealthRunsKept) {
    runs_.erase(runs_.begin(), runs_.end() - static_cast<std::ptrdiff_t>(kHealthRunsKept));
  }
}

FileWriteStatus HealthHistory::Save() const {
  return ReplaceFileAtomically(path_, Serialize(runs_));
}

std::string HealthHistory::Serialize(const std::vector<RunHealth>& runs) {
  std::string text(kHealthHistoryHeader);
  text += kLineEnd;
  for (const RunHealth& run : runs) {
    text += kRunTag;
    text += '\t';
    text += run.started;
    text += kLineEnd;
    for (std::size_t i = 0; i < run.steps.size(); ++i) AppendStep(text, i, run.steps[i]);
  }
  return text;
}

bool HealthHistory::Parse(std::string_view text, std::vector<RunHealth>& runs) {
  // Whole lines only: a last line without its line end is cut.
  std::vector<std::string_view> lines = Split(text, '\n');
  const bool ends_whole = lines.back().empty();
  lines.pop_back();
  std::size_t whole = 0;
  while (whole < lines.size() && lines[whole].ends_with('\r')) {
    lines[whole].remove_suffix(1);
    ++whole;
  }
  const bool all_whole = ends_whole && whole == lines.size() && !text.empty();
  lines.resize(whole);
  if (lines.empty() || lines[0] != kHealthHistoryHeader) return false;
  constexpr std::size_t kRunLines = 1 + kHealthSteps;
  for (std::size_t at = 1; at < lines.size(); at += kRunLines) {
    if (at + kRunLines > lines.size()) return false;
    const std::vector<std::string_view> head = Split(lines[at], '\t');
    if (head.size() != 2 || head[0] != kRunTag || head[1].size() > 32) return false;
    RunHealth run{std::string(head[1]), {}};
    for (std::size_t i = 0; i < kHealthSteps; ++i) {
      const std::optional<StepHealth> step = ParseStep(lines[at + 1 + i], i);
      if (!step) return false;
      run.steps[i] = *step;
    }
    if (runs.size() == kHealthRunsKept) runs.erase(runs.begin());
    runs.push_back(std::move(run));
  }
  return all_whole;
}

std::string HealthTimeNow() {
  const std::time_t now = std::time(nullptr);
  const std::tm time = *std::localtime(&now);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", time.tm_year + 1900, time.tm_mon + 1,
                time.tm_mday, time.tm_hour, time.tm_min);
  return text;
}

}  // namespace kasumido
