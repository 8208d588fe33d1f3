file(REMOVE_RECURSE
  "../bin/fuzz_data"
  "../bin/fuzz_data.pdb"
  "CMakeFiles/fuzz_data.dir/fuzz/fuzz_data.cpp.o"
  "CMakeFiles/fuzz_data.dir/fuzz/fuzz_data.cpp.o.d"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/fuzz_data.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
