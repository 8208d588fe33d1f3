
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/cli/batch.cpp" "CMakeFiles/corvel-cli.dir/cli/batch.cpp.o" "gcc" "CMakeFiles/corvel-cli.dir/cli/batch.cpp.o.d"
  "/work/main/cli/export.cpp" "CMakeFiles/corvel-cli.dir/cli/export.cpp.o" "gcc" "CMakeFiles/corvel-cli.dir/cli/export.cpp.o.d"
  "/work/main/cli/info.cpp" "CMakeFiles/corvel-cli.dir/cli/info.cpp.o" "gcc" "CMakeFiles/corvel-cli.dir/cli/info.cpp.o.d"
  "/work/main/cli/join.cpp" "CMakeFiles/corvel-cli.dir/cli/join.cpp.o" "gcc" "CMakeFiles/corvel-cli.dir/cli/join.cpp.o.d"
  "/work/main/cli/main.cpp" "CMakeFiles/corvel-cli.dir/cli/main.cpp.o" "gcc" "CMakeFiles/corvel-cli.dir/cli/main.cpp.o.d"
  "/work/main/cli/output.cpp" "CMakeFiles/corvel-cli.dir/cli/output.cpp.o" "gcc" "CMakeFiles/corvel-cli.dir/cli/output.cpp.o.d"
  "/work/main/cli/repair.cpp" "CMakeFiles/corvel-cli.dir/cli/repair.cpp.o" "gcc" "CMakeFiles/corvel-cli.dir/cli/repair.cpp.o.d"
  "/work/main/cli/scan.cpp" "CMakeFiles/corvel-cli.dir/cli/scan.cpp.o" "gcc" "CMakeFiles/corvel-cli.dir/cli/scan.cpp.o.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
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
