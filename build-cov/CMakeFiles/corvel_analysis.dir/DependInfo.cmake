
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/analysis/dump_text.cpp" "CMakeFiles/corvel_analysis.dir/analysis/dump_text.cpp.o" "gcc" "CMakeFiles/corvel_analysis.dir/analysis/dump_text.cpp.o.d"
  "/work/main/analysis/error_blocks.cpp" "CMakeFiles/corvel_analysis.dir/analysis/error_blocks.cpp.o" "gcc" "CMakeFiles/corvel_analysis.dir/analysis/error_blocks.cpp.o.d"
  "/work/main/analysis/media_objects.cpp" "CMakeFiles/corvel_analysis.dir/analysis/media_objects.cpp.o" "gcc" "CMakeFiles/corvel_analysis.dir/analysis/media_objects.cpp.o.d"
  "/work/main/analysis/packet.cpp" "CMakeFiles/corvel_analysis.dir/analysis/packet.cpp.o" "gcc" "CMakeFiles/corvel_analysis.dir/analysis/packet.cpp.o.d"
  "/work/main/analysis/packet_table.cpp" "CMakeFiles/corvel_analysis.dir/analysis/packet_table.cpp.o" "gcc" "CMakeFiles/corvel_analysis.dir/analysis/packet_table.cpp.o.d"
  "/work/main/analysis/scan.cpp" "CMakeFiles/corvel_analysis.dir/analysis/scan.cpp.o" "gcc" "CMakeFiles/corvel_analysis.dir/analysis/scan.cpp.o.d"
  "/work/main/analysis/simple_index.cpp" "CMakeFiles/corvel_analysis.dir/analysis/simple_index.cpp.o" "gcc" "CMakeFiles/corvel_analysis.dir/analysis/simple_index.cpp.o.d"
  "/work/main/analysis/timeline.cpp" "CMakeFiles/corvel_analysis.dir/analysis/timeline.cpp.o" "gcc" "CMakeFiles/corvel_analysis.dir/analysis/timeline.cpp.o.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  "/work/main/build-cov/CMakeFiles/corvel_asf.dir/DependInfo.cmake"
  "/work/main/build-cov/CMakeFiles/corvel_l10n.dir/DependInfo.cmake"
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
