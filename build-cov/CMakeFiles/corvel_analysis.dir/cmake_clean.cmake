file(REMOVE_RECURSE
  "CMakeFiles/corvel_analysis.dir/analysis/dump_text.cpp.o"
  "CMakeFiles/corvel_analysis.dir/analysis/dump_text.cpp.o.d"
  "CMakeFiles/corvel_analysis.dir/analysis/error_blocks.cpp.o"
  "CMakeFiles/corvel_analysis.dir/analysis/error_blocks.cpp.o.d"
  "CMakeFiles/corvel_analysis.dir/analysis/media_objects.cpp.o"
  "CMakeFiles/corvel_analysis.dir/analysis/media_objects.cpp.o.d"
  "CMakeFiles/corvel_analysis.dir/analysis/packet.cpp.o"
  "CMakeFiles/corvel_analysis.dir/analysis/packet.cpp.o.d"
  "CMakeFiles/corvel_analysis.dir/analysis/packet_table.cpp.o"
  "CMakeFiles/corvel_analysis.dir/analysis/packet_table.cpp.o.d"
  "CMakeFiles/corvel_analysis.dir/analysis/scan.cpp.o"
  "CMakeFiles/corvel_analysis.dir/analysis/scan.cpp.o.d"
  "CMakeFiles/corvel_analysis.dir/analysis/simple_index.cpp.o"
  "CMakeFiles/corvel_analysis.dir/analysis/simple_index.cpp.o.d"
  "CMakeFiles/corvel_analysis.dir/analysis/timeline.cpp.o"
  "CMakeFiles/corvel_analysis.dir/analysis/timeline.cpp.o.d"
  "libcorvel_analysis.a"
  "libcorvel_analysis.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/corvel_analysis.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
