file(REMOVE_RECURSE
  "CMakeFiles/corvel_asf.dir/asf/byte_source.cpp.o"
  "CMakeFiles/corvel_asf.dir/asf/byte_source.cpp.o.d"
  "CMakeFiles/corvel_asf.dir/asf/bytes.cpp.o"
  "CMakeFiles/corvel_asf.dir/asf/bytes.cpp.o.d"
  "CMakeFiles/corvel_asf.dir/asf/catalogue.cpp.o"
  "CMakeFiles/corvel_asf.dir/asf/catalogue.cpp.o.d"
  "CMakeFiles/corvel_asf.dir/asf/header_walk.cpp.o"
  "CMakeFiles/corvel_asf.dir/asf/header_walk.cpp.o.d"
  "CMakeFiles/corvel_asf.dir/asf/header_writers.cpp.o"
  "CMakeFiles/corvel_asf.dir/asf/header_writers.cpp.o.d"
  "CMakeFiles/corvel_asf.dir/asf/job.cpp.o"
  "CMakeFiles/corvel_asf.dir/asf/job.cpp.o.d"
  "CMakeFiles/corvel_asf.dir/asf/locators.cpp.o"
  "CMakeFiles/corvel_asf.dir/asf/locators.cpp.o.d"
  "CMakeFiles/corvel_asf.dir/asf/object_search.cpp.o"
  "CMakeFiles/corvel_asf.dir/asf/object_search.cpp.o.d"
  "CMakeFiles/corvel_asf.dir/asf/object_table.cpp.o"
  "CMakeFiles/corvel_asf.dir/asf/object_table.cpp.o.d"
  "CMakeFiles/corvel_asf.dir/asf/output_file.cpp.o"
  "CMakeFiles/corvel_asf.dir/asf/output_file.cpp.o.d"
  "CMakeFiles/corvel_asf.dir/asf/presenters.cpp.o"
  "CMakeFiles/corvel_asf.dir/asf/presenters.cpp.o.d"
  "CMakeFiles/corvel_asf.dir/asf/readers.cpp.o"
  "CMakeFiles/corvel_asf.dir/asf/readers.cpp.o.d"
  "CMakeFiles/corvel_asf.dir/asf/source_file.cpp.o"
  "CMakeFiles/corvel_asf.dir/asf/source_file.cpp.o.d"
  "CMakeFiles/corvel_asf.dir/asf/tree.cpp.o"
  "CMakeFiles/corvel_asf.dir/asf/tree.cpp.o.d"
  "libcorvel_asf.a"
  "libcorvel_asf.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/corvel_asf.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
