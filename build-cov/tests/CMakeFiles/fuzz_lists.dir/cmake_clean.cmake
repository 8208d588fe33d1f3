file(REMOVE_RECURSE
  "../bin/fuzz_lists"
  "../bin/fuzz_lists.pdb"
  "CMakeFiles/fuzz_lists.dir/fuzz/fuzz_lists.cpp.o"
  "CMakeFiles/fuzz_lists.dir/fuzz/fuzz_lists.cpp.o.d"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/fuzz_lists.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
