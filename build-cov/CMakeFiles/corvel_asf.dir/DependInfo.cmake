
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/asf/byte_source.cpp" "CMakeFiles/corvel_asf.dir/asf/byte_source.cpp.o" "gcc" "CMakeFiles/corvel_asf.dir/asf/byte_source.cpp.o.d"
  "/work/main/asf/bytes.cpp" "CMakeFiles/corvel_asf.dir/asf/bytes.cpp.o" "gcc" "CMakeFiles/corvel_asf.dir/asf/bytes.cpp.o.d"
  "/work/main/asf/catalogue.cpp" "CMakeFiles/corvel_asf.dir/asf/catalogue.cpp.o" "gcc" "CMakeFiles/corvel_asf.dir/asf/catalogue.cpp.o.d"
  "/work/main/asf/header_walk.cpp" "CMakeFiles/corvel_asf.dir/asf/header_walk.cpp.o" "gcc" "CMakeFiles/corvel_asf.dir/asf/header_walk.cpp.o.d"
  "/work/main/asf/header_writers.cpp" "CMakeFiles/corvel_asf.dir/asf/header_writers.cpp.o" "gcc" "CMakeFiles/corvel_asf.dir/asf/header_writers.cpp.o.d"
  "/work/main/asf/job.cpp" "CMakeFiles/corvel_asf.dir/asf/job.cpp.o" "gcc" "CMakeFiles/corvel_asf.dir/asf/job.cpp.o.d"
  "/work/main/asf/locators.cpp" "CMakeFiles/corvel_asf.dir/asf/locators.cpp.o" "gcc" "CMakeFiles/corvel_asf.dir/asf/locators.cpp.o.d"
  "/work/main/asf/object_search.cpp" "CMakeFiles/corvel_asf.dir/asf/object_search.cpp.o" "gcc" "CMakeFiles/corvel_asf.dir/asf/object_search.cpp.o.d"
  "/work/main/asf/object_table.cpp" "CMakeFiles/corvel_asf.dir/asf/object_table.cpp.o" "gcc" "CMakeFiles/corvel_asf.dir/asf/object_table.cpp.o.d"
  "/work/main/asf/output_file.cpp" "CMakeFiles/corvel_asf.dir/asf/output_file.cpp.o" "gcc" "CMakeFiles/corvel_asf.dir/asf/output_file.cpp.o.d"
  "/work/main/asf/presenters.cpp" "CMakeFiles/corvel_asf.dir/asf/presenters.cpp.o" "gcc" "CMakeFiles/corvel_asf.dir/asf/presenters.cpp.o.d"
  "/work/main/asf/readers.cpp" "CMakeFiles/corvel_asf.dir/asf/readers.cpp.o" "gcc" "CMakeFiles/corvel_asf.dir/asf/readers.cpp.o.d"
  "/work/main/asf/source_file.cpp" "CMakeFiles/corvel_asf.dir/asf/source_file.cpp.o" "gcc" "CMakeFiles/corvel_asf.dir/asf/source_file.cpp.o.d"
  "/work/main/asf/tree.cpp" "CMakeFiles/corvel_asf.dir/asf/tree.cpp.o" "gcc" "CMakeFiles/corvel_asf.dir/asf/tree.cpp.o.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  "/work/main/build-cov/CMakeFiles/corvel_l10n.dir/DependInfo.cmake"
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
