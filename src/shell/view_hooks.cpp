#include "shell/view_hooks.h"

#include <cstdio>
#include <stdexcept>

namespace kasumido {

void ReportException(const std::exception& error, const ExceptionHandler& handler) noexcept {
  try {
    if (handler) {
      handler(error);
      return;
    }
  } catch (...) {
  }
  std::fprintf(stderr, "kasumido: unhandled exception: %s\n", error.what());
}

void RunHook(const std::function<void()>& hook, const ExceptionHandler& handler) noexcept {
  if (!hook) return;
  try {
    hook();
  } catch (const std::exception& error) {
    ReportException(error, handler);
  } catch (...) {
    ReportException(std::runtime_error("unknown exception"), handler);
  }
}

}  // namespace kasumido
