file(REMOVE_RECURSE
  "../bin/fuzz_header"
  "../bin/fuzz_header.pdb"
  "CMakeFiles/fuzz_header.dir/fuzz/fuzz_header.cpp.o"
  "CMakeFiles/fuzz_header.dir/fuzz/fuzz_header.cpp.o.d"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/fuzz_header.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
