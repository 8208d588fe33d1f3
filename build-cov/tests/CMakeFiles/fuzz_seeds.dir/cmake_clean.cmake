file(REMOVE_RECURSE
  "../bin/fuzz_seeds"
  "../bin/fuzz_seeds.pdb"
  "CMakeFiles/fuzz_seeds.dir/fuzz/make_seeds.cpp.o"
  "CMakeFiles/fuzz_seeds.dir/fuzz/make_seeds.cpp.o.d"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/fuzz_seeds.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
