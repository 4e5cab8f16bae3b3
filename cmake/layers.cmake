# One static library per layer, its sources found by folder, so adding a file to a
# layer needs no edit here. Dependencies point down only.
function(kasumido_layer name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()  # a layer not yet written: headers only
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# One GoogleTest binary per layer: every *_test.cpp of the calling folder.
#
# A folder whose suite needs ctest fixtures (real peers started once per run) names them
# in KASUMIDO_SUITE_FIXTURES.
#
# In the Windows build the suite leaves out the files the folder lists in
# KASUMIDO_LINUX_ONLY_TESTS (those that need a Linux-only peer) and the test cases it
# lists in KASUMIDO_LINUX_ONLY_CASES ("Suite.Name", left out by a filter), the Qt event loop's
# libraries stand for the platform's own loop, and the binary is one ctest test run
# under Wine.
function(kasumido_test_suite name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  set(libraries ${ARGN})
  if(WIN32)
    foreach(linux_only IN LISTS KASUMIDO_LINUX_ONLY_TESTS)
      list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${linux_only})
    endforeach()
    list(TRANSFORM libraries REPLACE "^kasumido_platform_qt$" "kasumido_platform")
    list(FILTER libraries EXCLUDE REGEX "^(Qt6::.*|kasumido_qt_test_main)$")
  endif()
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # main() from GoogleTest unless the suite brings its own (an archive member is only
  # linked when main is still missing).
  target_link_libraries(${name} PRIVATE kasumido_test_support GTest::gtest GTest::gmock
                        ${libraries} GTest::gtest_main)
  if(WIN32)
    set(filter)
    if(KASUMIDO_LINUX_ONLY_CASES)
      list(JOIN KASUMIDO_LINUX_ONLY_CASES ":" cases)
      set(filter --gtest_filter=-${cases})
    endif()
    kasumido_wine_test(${name} ${name} ${filter})
  else()
    set(properties ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    if(KASUMIDO_SUITE_FIXTURES)
      list(APPEND properties FIXTURES_REQUIRED "${KASUMIDO_SUITE_FIXTURES}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
  endif()
endfunction()
