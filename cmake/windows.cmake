# Settings of the Windows build (mingw-w64, cross-compiled on Linux).
#
# Every Win32 call the program makes takes wide strings: the program's texts are
# Shift_JIS bytes that the back end converts with code page 932, whatever the system's
# own code page, so the narrow functions are never wanted.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601
                        # gmtime_r and localtime_r, as the C library of Linux offers them
                        _POSIX_THREAD_SAFE_FUNCTIONS=200112L)
enable_language(RC)
