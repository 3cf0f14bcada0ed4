# Compiler settings shared by every target of our own.

# talo_defaults(<target> [NO_PCH]): warnings as errors and the sanitizer
# flags of the active preset; with TALO_PCH the shared precompiled header of
# the Qt and standard headers, unless NO_PCH (targets without Qt). Headers are
# included with their folder from the top of the tree ("link/port/talocomport.h").
# Third-party code never goes through here.
function(talo_defaults target)
  cmake_parse_arguments(D "NO_PCH" "" "" ${ARGN})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  set_target_properties(${target} PROPERTIES AUTOMOC ON AUTOUIC ON)
  if(TALO_PCH AND NOT D_NO_PCH AND NOT target STREQUAL "talo_pch")
    target_precompile_headers(${target} REUSE_FROM talo_pch)
  endif()
endfunction()

set(TALO_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address,undefined or thread")
if(TALO_SANITIZE)
  add_compile_options(-fsanitize=${TALO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=${TALO_SANITIZE})
endif()

# talo_add_fuzzer(<target> SOURCES ... LIBS ...): a libFuzzer target. The fuzz
# preset instruments every library of ours (TALO_SANITIZE holds
# fuzzer-no-link), so the parsers the target calls feed the fuzzer's coverage;
# the target itself brings libFuzzer's main. Its seed corpus is
# corpus/<target>/ beside the sources; .ci/fuzz runs it.
function(talo_add_fuzzer target)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${F_SOURCES})
  target_link_libraries(${target} PRIVATE ${F_LIBS})
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  talo_defaults(${target})
  set_property(GLOBAL APPEND PROPERTY TALO_FUZZ_TARGETS ${target})
  set_property(GLOBAL APPEND PROPERTY TALO_FUZZ_CORPORA ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${target})
endfunction()
