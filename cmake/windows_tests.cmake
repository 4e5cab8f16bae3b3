# The test set-up of the Windows build: GoogleTest compiled from Debian's source package
# with the cross compiler, and every test run through Wine.
#
# `ctest --preset windows` makes a fresh Wine prefix in the build folder once per run
# (the fixture "wine"), runs each suite's binary through scripts/wine_run.sh, quiet and
# without the Mono or Gecko installers, and stops the prefix's Wine server at the end.
# Suites that make windows get a prefix of their own (the fixture "wine-gui"): Wine's
# desktop process takes its X display from the first program that needs it, so windows
# must not share a prefix with the suites that run without a display.
set(KASUMIDO_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${KASUMIDO_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(library gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${library})
    add_library(GTest::${library} ALIAS ${library})
  endif()
endforeach()

set(KASUMIDO_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(KASUMIDO_WINE_GUI_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix-gui)
set(CMAKE_CROSSCOMPILING_EMULATOR bash ${CMAKE_SOURCE_DIR}/scripts/wine_run.sh
                                  ${KASUMIDO_WINE_PREFIX})

# Adds the ctest test `name` running `target` under Wine, after the fresh prefix. With
# KASUMIDO_SUITE_NEEDS_DISPLAY set (a suite that makes windows: Wine creates none
# without an X display) it runs on a virtual X display of its own, in the windows' prefix.
function(kasumido_wine_test name target)
  set(fixture wine)
  if(KASUMIDO_SUITE_NEEDS_DISPLAY)
    set(fixture wine-gui)
    add_test(NAME ${name}
             COMMAND xvfb-run -a -s "-screen 0 1024x768x24"
                     bash -c "KASUMIDO_WINE_DISPLAY=\$DISPLAY exec bash \"\$@\"" wine_run
                     ${CMAKE_SOURCE_DIR}/scripts/wine_run.sh ${KASUMIDO_WINE_GUI_PREFIX}
                     $<TARGET_FILE:${target}> ${ARGN})
  else()
    add_test(NAME ${name} COMMAND ${target} ${ARGN})
  endif()
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${fixture} TIMEOUT 600)
endfunction()

add_test(NAME Wine.FreshPrefix COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine_run.sh
                                       ${KASUMIDO_WINE_PREFIX} --fresh)
add_test(NAME Wine.StopServer COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine_run.sh
                                      ${KASUMIDO_WINE_PREFIX} --stop)
set_tests_properties(Wine.FreshPrefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(Wine.StopServer PROPERTIES FIXTURES_CLEANUP wine)

add_test(NAME Wine.FreshGuiPrefix COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine_run.sh
                                          ${KASUMIDO_WINE_GUI_PREFIX} --fresh-gui)
add_test(NAME Wine.StopGuiServer COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine_run.sh
                                         ${KASUMIDO_WINE_GUI_PREFIX} --stop)
set_tests_properties(Wine.FreshGuiPrefix PROPERTIES FIXTURES_SETUP wine-gui TIMEOUT 300)
set_tests_properties(Wine.StopGuiServer PROPERTIES FIXTURES_CLEANUP wine-gui)
