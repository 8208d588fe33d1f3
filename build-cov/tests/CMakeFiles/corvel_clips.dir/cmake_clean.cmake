file(REMOVE_RECURSE
  "CMakeFiles/corvel_clips.dir/support/clips.cpp.o"
  "CMakeFiles/corvel_clips.dir/support/clips.cpp.o.d"
  "libcorvel_clips.a"
  "libcorvel_clips.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/corvel_clips.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
