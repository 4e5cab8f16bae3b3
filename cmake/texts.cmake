# Turns the UTF-8 catalogue of the program's Japanese texts into a header of named
# Shift_JIS constants. Every byte is written as an escape, so no compiler character-set
# option is involved and a trail byte 0x5C never reads as a backslash.
set(KASUMIDO_TEXTS_CATALOGUE ${CMAKE_SOURCE_DIR}/src/text/texts.catalogue)
set(KASUMIDO_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(KASUMIDO_TEXTS_HEADER ${KASUMIDO_GENERATED_DIR}/kasumido/texts.h)

add_custom_command(
  OUTPUT ${KASUMIDO_TEXTS_HEADER}
  COMMAND ${CMAKE_COMMAND} -DCATALOGUE=${KASUMIDO_TEXTS_CATALOGUE}
          -DOUTPUT=${KASUMIDO_TEXTS_HEADER} -P ${CMAKE_SOURCE_DIR}/cmake/generate_texts.cmake
  DEPENDS ${KASUMIDO_TEXTS_CATALOGUE} ${CMAKE_SOURCE_DIR}/cmake/generate_texts.cmake
  COMMENT "Converting the text catalogue to Shift_JIS")
add_custom_target(kasumido_texts_header DEPENDS ${KASUMIDO_TEXTS_HEADER})

add_library(kasumido_texts INTERFACE)
add_dependencies(kasumido_texts kasumido_texts_header)
target_include_directories(kasumido_texts INTERFACE ${KASUMIDO_GENERATED_DIR})
