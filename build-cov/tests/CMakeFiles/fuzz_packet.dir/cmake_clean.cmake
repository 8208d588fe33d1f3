file(REMOVE_RECURSE
  "../bin/fuzz_packet"
  "../bin/fuzz_packet.pdb"
  "CMakeFiles/fuzz_packet.dir/fuzz/fuzz_packet.cpp.o"
  "CMakeFiles/fuzz_packet.dir/fuzz/fuzz_packet.cpp.o.d"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/fuzz_packet.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
