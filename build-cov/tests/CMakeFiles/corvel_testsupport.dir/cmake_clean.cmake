file(REMOVE_RECURSE
  "CMakeFiles/corvel_testsupport.dir/support/asf_builder.cpp.o"
  "CMakeFiles/corvel_testsupport.dir/support/asf_builder.cpp.o.d"
  "CMakeFiles/corvel_testsupport.dir/support/files.cpp.o"
  "CMakeFiles/corvel_testsupport.dir/support/files.cpp.o.d"
  "libcorvel_testsupport.a"
  "libcorvel_testsupport.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/corvel_testsupport.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
