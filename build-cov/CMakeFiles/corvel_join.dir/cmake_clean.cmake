file(REMOVE_RECURSE
  "CMakeFiles/corvel_join.dir/join/join.cpp.o"
  "CMakeFiles/corvel_join.dir/join/join.cpp.o.d"
  "libcorvel_join.a"
  "libcorvel_join.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/corvel_join.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
