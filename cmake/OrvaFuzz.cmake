# The libFuzzer build (ORVA_FUZZ=ON, clang only). Every library is compiled
# with coverage instrumentation for the fuzzer (fuzzer-no-link) and with
# AddressSanitizer + UndefinedBehaviorSanitizer, so that a fault anywhere under
# a target, not only in the target's own file, is found and reported; only the
# fuzz targets themselves link the libFuzzer driver.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "ORVA_FUZZ needs clang (libFuzzer): configure with "
                      "-DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14")
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                    -fno-omit-frame-pointer -fno-sanitize-recover=all)
add_link_options(-fsanitize=address,undefined)

# orva_add_fuzzer(<name> SOURCES <files...> [LIBS <targets...>])
# One fuzz target: an executable bin/<name> built from SOURCES (one of them
# defines LLVMFuzzerTestOneInput) and linked with LIBS and the libFuzzer
# driver. Its seed corpus is fuzz/corpus/<name>/; scripts/run-fuzz.sh runs
# every target registered here (their names are listed in fuzz-targets.txt
# in the build folder).
function(orva_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_SOURCES)
    message(FATAL_ERROR "orva_add_fuzzer(${name}): no SOURCES")
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} orva_fuzz_support)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  if(NOT IS_DIRECTORY ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
    message(WARNING "fuzz target ${name} has no seed corpus fuzz/corpus/${name}/")
  endif()
  set_property(GLOBAL APPEND PROPERTY ORVA_FUZZ_TARGETS ${name})
  get_property(all GLOBAL PROPERTY ORVA_FUZZ_TARGETS)
  list(JOIN all "\n" lines)
  file(WRITE ${CMAKE_BINARY_DIR}/fuzz-targets.txt "${lines}\n")
endfunction()
