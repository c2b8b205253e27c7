# The OrvaScope program (build/bin/OrvaScope) and its headless smoke test.
if(NOT TARGET orva_cli)
  return()
endif()
add_executable(OrvaScope ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(OrvaScope PRIVATE orva_cli)

if(ORVA_BUILD_TESTS)
  orva_add_gtest(window_headless_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/mainwindow/tests/headless_test.cpp
    LIBS Qt6::Gui)
  target_compile_definitions(window_headless_tests PRIVATE
    ORVASCOPE_PATH="$<TARGET_FILE:OrvaScope>")
  add_dependencies(window_headless_tests OrvaScope)
  # The command line with libsigrok's demonstration device.
  if(ORVA_HAVE_SIGROK)
    orva_add_gtest(sigrok_headless_tests
      SOURCES ${PROJECT_SOURCE_DIR}/platform/sigrok/tests/headless_test.cpp
      LIBS Qt6::Core LABELS sigrok)
    target_compile_definitions(sigrok_headless_tests PRIVATE ORVASCOPE_PATH="$<TARGET_FILE:OrvaScope>")
    add_dependencies(sigrok_headless_tests OrvaScope)
  endif()
endif()

# The installed program: OrvaScope in bin/, the shared libraries it links in
# lib/ (cmake/OrvaInstall.cmake), found relative to it.
include(GNUInstallDirs)
set_target_properties(OrvaScope PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
install(TARGETS OrvaScope RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# What `make run` builds: the program and what it loads or reads at run time
# (its libraries through the link, the templates, the manuals) and the board
# probe that scripts/run-main.sh --probe runs; no test or benchmark program.
add_custom_target(orva_run)
add_dependencies(orva_run OrvaScope)
foreach(t IN ITEMS orva_templates orva_help orvaboard-probe)
  if(TARGET ${t})
    add_dependencies(orva_run ${t})
  endif()
endforeach()
