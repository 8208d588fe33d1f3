file(REMOVE_RECURSE
  "../bin/corvel_unit_tests"
  "../bin/corvel_unit_tests.pdb"
  "CMakeFiles/corvel_unit_tests.dir/test_bytes.cpp.o"
  "CMakeFiles/corvel_unit_tests.dir/test_bytes.cpp.o.d"
  "CMakeFiles/corvel_unit_tests.dir/test_core_api.cpp.o"
  "CMakeFiles/corvel_unit_tests.dir/test_core_api.cpp.o.d"
  "CMakeFiles/corvel_unit_tests.dir/test_forms.cpp.o"
  "CMakeFiles/corvel_unit_tests.dir/test_forms.cpp.o.d"
  "CMakeFiles/corvel_unit_tests.dir/test_index.cpp.o"
  "CMakeFiles/corvel_unit_tests.dir/test_index.cpp.o.d"
  "CMakeFiles/corvel_unit_tests.dir/test_localization.cpp.o"
  "CMakeFiles/corvel_unit_tests.dir/test_localization.cpp.o.d"
  "CMakeFiles/corvel_unit_tests.dir/test_locators.cpp.o"
  "CMakeFiles/corvel_unit_tests.dir/test_locators.cpp.o.d"
  "CMakeFiles/corvel_unit_tests.dir/test_packet.cpp.o"
  "CMakeFiles/corvel_unit_tests.dir/test_packet.cpp.o.d"
  "CMakeFiles/corvel_unit_tests.dir/test_readers.cpp.o"
  "CMakeFiles/corvel_unit_tests.dir/test_readers.cpp.o.d"
  "CMakeFiles/corvel_unit_tests.dir/test_repair.cpp.o"
  "CMakeFiles/corvel_unit_tests.dir/test_repair.cpp.o.d"
  "CMakeFiles/corvel_unit_tests.dir/test_source_file.cpp.o"
  "CMakeFiles/corvel_unit_tests.dir/test_source_file.cpp.o.d"
  "CMakeFiles/corvel_unit_tests.dir/test_tree.cpp.o"
  "CMakeFiles/corvel_unit_tests.dir/test_tree.cpp.o.d"
  "CMakeFiles/corvel_unit_tests.dir/test_viewers.cpp.o"
  "CMakeFiles/corvel_unit_tests.dir/test_viewers.cpp.o.d"
  "CMakeFiles/corvel_unit_tests.dir/test_walk.cpp.o"
  "CMakeFiles/corvel_unit_tests.dir/test_walk.cpp.o.d"
  "corvel_unit_tests[1]_tests.cmake"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/corvel_unit_tests.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
