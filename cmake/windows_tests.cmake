# The test set-up of the Windows build: GoogleTest compiled from Debian's source package
# with the cross compiler, and every test run through Wine.
#
# `ctest --preset windows` makes a fresh Wine prefix in the build folder once per run
# (the fixture "wine"), runs each suite's binary through scripts/wine_run.sh, quiet and
# without the Mono or Gecko installers, and stops the prefix's Wine server at the end.
# Suites that make windows get prefixes of their own, one per screen scale (the fixtures
# "wine-gui-96" and "wine-gui-192"): Wine's desktop process takes its X display from the
# first program that needs it, so windows must not share a prefix with the suites that
# run without a display.
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
set(KASUMIDO_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine_run.sh)

# The prefix of the suites that make windows at `dpi` dots per inch (Wine takes the
# screen's scale from the registry's LogPixels), and the fixture that makes it. A suite
# split into parts runs its second and later parts in prefixes of their own (`part`
# 2, 3, ...), each with its own virtual display: clicks are real mouse input, so two
# parts must never share a screen.
function(kasumido_wine_gui_prefix variable fixture dpi)
  set(suffix ${dpi})
  if(ARGC GREATER 3 AND ARGV3 GREATER 1)
    set(suffix ${dpi}-${ARGV3})
  endif()
  set(${variable} ${CMAKE_BINARY_DIR}/wine-prefix-gui-${suffix} PARENT_SCOPE)
  set(${fixture} wine-gui-${suffix} PARENT_SCOPE)
endfunction()

# Adds the tests that make the windows' prefix of `dpi` (and `part`, see above) afresh
# before its suites and stop its Wine server after them.
function(kasumido_wine_gui_prefix_fixture dpi)
  kasumido_wine_gui_prefix(prefix fixture ${dpi} ${ARGN})
  string(REPLACE "wine-gui-${dpi}" "${dpi}dpi" name ${fixture})  # 96dpi, 96dpi-2, ...
  add_test(NAME Wine.FreshGuiPrefix.${name}
           COMMAND env KASUMIDO_WINE_DPI=${dpi} bash ${KASUMIDO_WINE_RUN} ${prefix} --fresh-gui)
  add_test(NAME Wine.StopGuiServer.${name} COMMAND bash ${KASUMIDO_WINE_RUN} ${prefix} --stop)
  set_tests_properties(Wine.FreshGuiPrefix.${name} PROPERTIES FIXTURES_SETUP ${fixture} TIMEOUT 300)
  set_tests_properties(Wine.StopGuiServer.${name} PROPERTIES FIXTURES_CLEANUP ${fixture})
endfunction()

# Adds the ctest test `name` running the GoogleTest binary `target` under Wine, after the
# fresh prefix; it passes only when the binary reported its results, and a 32-bit suite
# on a machine that runs no 32-bit code is reported as skipped (wine_run.sh --suite).
# With KASUMIDO_SUITE_NEEDS_DISPLAY set (a suite that makes windows: Wine creates none
# without an X display) it runs on a virtual X display of its own, in a windows' prefix,
# once for each scale in KASUMIDO_SUITE_DPIS (default 96 and 192; the tests at another
# scale than 96 are named "<name>.<dpi>dpi"); with KASUMIDO_SUITE_PARTS set to N > 1 it
# runs as N tests "<name>.<k>of<N>", each one part of the cases (GoogleTest's sharding),
# side by side: for suites whose time is mostly waiting. The tests also require the
# fixtures named in KASUMIDO_SUITE_FIXTURES.
function(kasumido_wine_test name target)
  if(NOT KASUMIDO_SUITE_NEEDS_DISPLAY)
    add_test(NAME ${name} COMMAND bash ${KASUMIDO_WINE_RUN} ${KASUMIDO_WINE_PREFIX} --suite
                                  $<TARGET_FILE:${target}> ${ARGN})
    set(fixtures wine ${KASUMIDO_SUITE_FIXTURES})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${fixtures}" TIMEOUT 600
                                            SKIP_RETURN_CODE 77)
    return()
  endif()
  set(dpis ${KASUMIDO_SUITE_DPIS})
  if(NOT dpis)
    set(dpis 96 192)
  endif()
  set(parts 1)
  if(KASUMIDO_SUITE_PARTS)
    set(parts ${KASUMIDO_SUITE_PARTS})
  endif()
  foreach(dpi IN LISTS dpis)
    foreach(part RANGE 1 ${parts})
      set(test_name ${name})
      if(NOT dpi EQUAL 96)
        set(test_name ${name}.${dpi}dpi)
      endif()
      if(parts GREATER 1)
        set(test_name ${test_name}.${part}of${parts})
        math(EXPR index "${part} - 1")
        if(part GREATER 1)
          kasumido_wine_gui_prefix_fixture(${dpi} ${part})
        endif()
      endif()
      kasumido_wine_gui_prefix(prefix fixture ${dpi} ${part})
      # Suites that may run at once look for a free display from numbers of their own:
      # two xvfb-run -a started together from the same number can both take it, and the
      # one whose Xvfb then fails to start fails the suite at once.
      math(EXPR display "200 + ${part} * 20 + (${dpi} / 96 - 1) * 10")
      add_test(NAME ${test_name}
               COMMAND xvfb-run -a -n ${display} -s "-screen 0 1024x768x24"
                       bash -c "KASUMIDO_WINE_DISPLAY=\$DISPLAY exec bash \"\$@\"" wine_run
                       ${KASUMIDO_WINE_RUN} ${prefix} --suite $<TARGET_FILE:${target}> ${ARGN})
      # One suite at a time in a windows' prefix: its desktop keeps the first suite's display.
      set_tests_properties(${test_name} PROPERTIES FIXTURES_REQUIRED "${fixture};${KASUMIDO_SUITE_FIXTURES}"
                           TIMEOUT 600 SKIP_RETURN_CODE 77 RESOURCE_LOCK ${fixture})
      if(parts GREATER 1)
        set_tests_properties(${test_name} PROPERTIES ENVIRONMENT
                             "GTEST_TOTAL_SHARDS=${parts};GTEST_SHARD_INDEX=${index}")
      endif()
    endforeach()
  endforeach()
endfunction()

add_test(NAME Wine.FreshPrefix COMMAND bash ${KASUMIDO_WINE_RUN} ${KASUMIDO_WINE_PREFIX} --fresh)
add_test(NAME Wine.StopServer COMMAND bash ${KASUMIDO_WINE_RUN} ${KASUMIDO_WINE_PREFIX} --stop)
set_tests_properties(Wine.FreshPrefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(Wine.StopServer PROPERTIES FIXTURES_CLEANUP wine)

foreach(dpi 96 192)
  kasumido_wine_gui_prefix_fixture(${dpi})
endforeach()
