
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/tests/fuzz/fuzz_packet.cpp" "tests/CMakeFiles/fuzz_packet.dir/fuzz/fuzz_packet.cpp.o" "gcc" "tests/CMakeFiles/fuzz_packet.dir/fuzz/fuzz_packet.cpp.o.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  "/work/main/build-cov/CMakeFiles/corvel_session.dir/DependInfo.cmake"
  "/work/main/build-cov/tests/CMakeFiles/corvel_testsupport.dir/DependInfo.cmake"
  "/work/main/build-cov/CMakeFiles/corvel_repair.dir/DependInfo.cmake"
  "/work/main/build-cov/CMakeFiles/corvel_join.dir/DependInfo.cmake"
  "/work/main/build-cov/CMakeFiles/corvel_export.dir/DependInfo.cmake"
  "/work/main/build-cov/CMakeFiles/corvel_analysis.dir/DependInfo.cmake"
  "/work/main/build-cov/CMakeFiles/corvel_asf.dir/DependInfo.cmake"
  "/work/main/build-cov/CMakeFiles/corvel_l10n.dir/DependInfo.cmake"
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
