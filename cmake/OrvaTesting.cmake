# orva_add_gtest(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [ENV <VAR=value...>])
# Builds one GoogleTest binary and registers each case with CTest. Discovery runs
# at test time (PRE_TEST) so that nothing is executed at build time, and every
# test runs with Qt's offscreen platform and a private runtime folder, so that
# no display is ever needed.
find_package(GTest REQUIRED)
include(GoogleTest)

function(orva_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  set(runtime_dir ${CMAKE_BINARY_DIR}/test-runtime)
  file(MAKE_DIRECTORY ${runtime_dir})
  file(CHMOD ${runtime_dir} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  set(env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${runtime_dir} ${ARG_ENV})
  if(ORVA_SANITIZE)
    # Leaks inside system libraries the tests do not own (see the file).
    list(APPEND env LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/.ci/lsan.supp)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    TEST_LIST ${name}_TESTS
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  # Environment and labels are lists, whose separators do not survive being
  # passed through the discovery step; set them on the discovered tests from a
  # second include file that CTest reads after the discovery one.
  set(props_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake)
  set(label_arg "")
  if(ARG_LABELS)
    set(label_arg "LABELS [==[${ARG_LABELS}]==]")
  endif()
  file(WRITE ${props_file}
    "if(${name}_TESTS)\n"
    "  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT [==[${env}]==] ${label_arg})\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${props_file})
endfunction()
