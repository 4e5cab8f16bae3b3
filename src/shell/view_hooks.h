// Calling the windows' On... hooks from the front ends' event handlers: the toolkit never
// sees an exception. What escapes a hook goes to the window's OnUnhandledException (the
// application-wide handler), or to standard error when that is unset or throws itself.
#pragma once

#include <exception>
#include <functional>

namespace kasumido {

using ExceptionHandler = std::function<void(const std::exception&)>;

// Hands `error` to `handler`, or to standard error when it is unset or throws.
void ReportException(const std::exception& error, const ExceptionHandler& handler) noexcept;

// Runs `hook` when it is set; what escapes it goes to ReportException.
void RunHook(const std::function<void()>& hook, const ExceptionHandler& handler) noexcept;

}  // namespace kasumido
