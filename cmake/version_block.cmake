# The program's version block: the eleven version strings (company, description, file
# version, internal name, author line, trademarks, original file name, product name,
# product version, comments, screen-saver name) under the translation 041103A4, in an ELF
# section of its own, ".kasumido_version" (format: src/platform/posix/version_block.h). The file
# version and product version are the project's version; the description and the
# product name come from the text catalogue in Shift_JIS.
#
#   kasumido_embed_version_block(<target>)
#
# adds the block to an executable target. Calling it again for the same target does
# nothing. The block is constant data that nothing refers to; it is kept through
# linking (also with --gc-sections) and through strip, and GetVersionInfo finds it by
# the section's name.
set(KASUMIDO_VERSION_COMPANY "kasumido developers")
set(KASUMIDO_VERSION_COPYRIGHT "(C) 2026 kasumido developers")
set(KASUMIDO_VERSION_COMMENTS "New releases of the publisher for the host's master file")
set(KASUMIDO_VERSION_BLOCK_SOURCE ${CMAKE_BINARY_DIR}/generated/version_block.cpp)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version_block.cpp.in ${KASUMIDO_VERSION_BLOCK_SOURCE}
               @ONLY)

# On Windows the same strings become a VERSIONINFO resource, compiled by windres from UTF-8
# (the resource holds UTF-16), with the icon MAINICON and the application manifest beside it.
if(WIN32)
  file(STRINGS ${KASUMIDO_TEXTS_CATALOGUE} description_line ENCODING UTF-8 REGEX "^kFileDescription = ")
  file(STRINGS ${KASUMIDO_TEXTS_CATALOGUE} product_line ENCODING UTF-8 REGEX "^kProductName = ")
  string(REGEX REPLACE "^kFileDescription = " "" KASUMIDO_VERSION_DESCRIPTION_UTF8
                       "${description_line}")
  string(REGEX REPLACE "^kProductName = " "" KASUMIDO_VERSION_PRODUCT_UTF8 "${product_line}")
  set(KASUMIDO_MAINICON_FILE ${CMAKE_CURRENT_LIST_DIR}/windows/mainicon.ico)
  # The application manifest beside them (docs/ARCHITECTURE.md, "Windows build"). The
  # 64-bit program declares asInvoker: a 64-bit process is never under UAC's file
  # virtualisation, so the entry only says that it never asks for elevation. The 32-bit
  # program leaves the entry out on purpose: a 32-bit process without it is virtualised,
  # like the 32-bit host it serves, and so sees the host's files where a host installed
  # under Program Files keeps them, in the user's virtual store.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(KASUMIDO_MANIFEST_ARCHITECTURE amd64)
    string(CONCAT KASUMIDO_MANIFEST_TRUST_INFO
           "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
           "    <security><requestedPrivileges>\n"
           "      <requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>\n"
           "    </requestedPrivileges></security>\n"
           "  </trustInfo>")
  else()
    set(KASUMIDO_MANIFEST_ARCHITECTURE x86)
    set(KASUMIDO_MANIFEST_TRUST_INFO
        "  <!-- No requestedExecutionLevel: virtualised like the 32-bit host it serves. -->")
  endif()
  set(KASUMIDO_MANIFEST_FILE ${CMAKE_BINARY_DIR}/generated/kasumido.manifest)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/kasumido.manifest.in ${KASUMIDO_MANIFEST_FILE}
                 @ONLY)
  set(KASUMIDO_VERSION_RESOURCE_SOURCE ${CMAKE_BINARY_DIR}/generated/version_resource.rc)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/version_resource.rc.in
                 ${KASUMIDO_VERSION_RESOURCE_SOURCE} @ONLY)
endif()

function(kasumido_embed_version_block target)
  get_target_property(embedded ${target} KASUMIDO_VERSION_BLOCK_EMBEDDED)
  if(embedded)
    return()
  endif()
  if(WIN32)
    target_sources(${target} PRIVATE ${KASUMIDO_VERSION_RESOURCE_SOURCE})
    set_target_properties(${target} PROPERTIES KASUMIDO_VERSION_BLOCK_EMBEDDED TRUE)
    return()
  endif()
  target_sources(${target} PRIVATE ${KASUMIDO_VERSION_BLOCK_SOURCE})
  # Optimised in every build: an optimising compiler drops unreferenced constants, so a
  # block that lost its keep attributes is missed by the debug build's tests as well.
  set_source_files_properties(${KASUMIDO_VERSION_BLOCK_SOURCE} TARGET_DIRECTORY ${target}
                              PROPERTIES COMPILE_OPTIONS -O2)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${target} PRIVATE kasumido_texts)
  set_target_properties(${target} PROPERTIES KASUMIDO_VERSION_BLOCK_EMBEDDED TRUE)
endfunction()
