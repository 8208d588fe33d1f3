
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/tests/test_bytes.cpp" "tests/CMakeFiles/corvel_unit_tests.dir/test_bytes.cpp.o" "gcc" "tests/CMakeFiles/corvel_unit_tests.dir/test_bytes.cpp.o.d"
  "/work/main/tests/test_core_api.cpp" "tests/CMakeFiles/corvel_unit_tests.dir/test_core_api.cpp.o" "gcc" "tests/CMakeFiles/corvel_unit_tests.dir/test_core_api.cpp.o.d"
  "/work/main/tests/test_forms.cpp" "tests/CMakeFiles/corvel_unit_tests.dir/test_forms.cpp.o" "gcc" "tests/CMakeFiles/corvel_unit_tests.dir/test_forms.cpp.o.d"
  "/work/main/tests/test_index.cpp" "tests/CMakeFiles/corvel_unit_tests.dir/test_index.cpp.o" "gcc" "tests/CMakeFiles/corvel_unit_tests.dir/test_index.cpp.o.d"
  "/work/main/tests/test_localization.cpp" "tests/CMakeFiles/corvel_unit_tests.dir/test_localization.cpp.o" "gcc" "tests/CMakeFiles/corvel_unit_tests.dir/test_localization.cpp.o.d"
  "/work/main/tests/test_locators.cpp" "tests/CMakeFiles/corvel_unit_tests.dir/test_locators.cpp.o" "gcc" "tests/CMakeFiles/corvel_unit_tests.dir/test_locators.cpp.o.d"
  "/work/main/tests/test_packet.cpp" "tests/CMakeFiles/corvel_unit_tests.dir/test_packet.cpp.o" "gcc" "tests/CMakeFiles/corvel_unit_tests.dir/test_packet.cpp.o.d"
  "/work/main/tests/test_readers.cpp" "tests/CMakeFiles/corvel_unit_tests.dir/test_readers.cpp.o" "gcc" "tests/CMakeFiles/corvel_unit_tests.dir/test_readers.cpp.o.d"
  "/work/main/tests/test_repair.cpp" "tests/CMakeFiles/corvel_unit_tests.dir/test_repair.cpp.o" "gcc" "tests/CMakeFiles/corvel_unit_tests.dir/test_repair.cpp.o.d"
  "/work/main/tests/test_source_file.cpp" "tests/CMakeFiles/corvel_unit_tests.dir/test_source_file.cpp.o" "gcc" "tests/CMakeFiles/corvel_unit_tests.dir/test_source_file.cpp.o.d"
  "/work/main/tests/test_tree.cpp" "tests/CMakeFiles/corvel_unit_tests.dir/test_tree.cpp.o" "gcc" "tests/CMakeFiles/corvel_unit_tests.dir/test_tree.cpp.o.d"
  "/work/main/tests/test_viewers.cpp" "tests/CMakeFiles/corvel_unit_tests.dir/test_viewers.cpp.o" "gcc" "tests/CMakeFiles/corvel_unit_tests.dir/test_viewers.cpp.o.d"
  "/work/main/tests/test_walk.cpp" "tests/CMakeFiles/corvel_unit_tests.dir/test_walk.cpp.o" "gcc" "tests/CMakeFiles/corvel_unit_tests.dir/test_walk.cpp.o.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  "/work/main/build-cov/tests/CMakeFiles/corvel_testsupport.dir/DependInfo.cmake"
  "/work/main/build-cov/CMakeFiles/corvel_session.dir/DependInfo.cmake"
  "/work/main/build-cov/CMakeFiles/corvel_repair.dir/DependInfo.cmake"
  "/work/main/build-cov/CMakeFiles/corvel_join.dir/DependInfo.cmake"
  "/work/main/build-cov/CMakeFiles/corvel_export.dir/DependInfo.cmake"
  "/work/main/build-cov/CMakeFiles/corvel_analysis.dir/DependInfo.cmake"
  "/work/main/build-cov/CMakeFiles/corvel_asf.dir/DependInfo.cmake"
  "/work/main/build-cov/CMakeFiles/corvel_l10n.dir/DependInfo.cmake"
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
