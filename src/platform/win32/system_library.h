// Functions the program takes from system libraries at run time rather than through its
// import table: ones that older systems lack, and libraries whose start is dear and
// needed only later (secur32, comctl32).
#pragma once

#include <windows.h>

#include <string>

namespace kasumido {

// The function `name` of `library`, as `Function`; nullptr when the library is nullptr or
// has no such function.
template <typename Function>
Function LibraryFunction(HMODULE library, const char* name) {
  if (library == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// The library `file_name` from the system folder, never one beside the program; nullptr
// when it cannot be loaded. It stays loaded.
inline HMODULE LoadSystemLibrary(const wchar_t* file_name) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  return LoadLibraryW((std::wstring(folder, length) + L"\\" + file_name).c_str());
}

}  // namespace kasumido
