file(REMOVE_RECURSE
  "CMakeFiles/corvel_export.dir/export/avi.cpp.o"
  "CMakeFiles/corvel_export.dir/export/avi.cpp.o.d"
  "libcorvel_export.a"
  "libcorvel_export.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/corvel_export.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
