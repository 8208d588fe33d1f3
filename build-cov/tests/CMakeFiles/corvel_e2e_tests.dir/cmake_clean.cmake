file(REMOVE_RECURSE
  "../bin/corvel_e2e_tests"
  "../bin/corvel_e2e_tests.pdb"
  "CMakeFiles/corvel_e2e_tests.dir/test_cli.cpp.o"
  "CMakeFiles/corvel_e2e_tests.dir/test_cli.cpp.o.d"
  "CMakeFiles/corvel_e2e_tests.dir/test_clips.cpp.o"
  "CMakeFiles/corvel_e2e_tests.dir/test_clips.cpp.o.d"
  "CMakeFiles/corvel_e2e_tests.dir/test_export.cpp.o"
  "CMakeFiles/corvel_e2e_tests.dir/test_export.cpp.o.d"
  "CMakeFiles/corvel_e2e_tests.dir/test_join.cpp.o"
  "CMakeFiles/corvel_e2e_tests.dir/test_join.cpp.o.d"
  "CMakeFiles/corvel_e2e_tests.dir/test_media_objects.cpp.o"
  "CMakeFiles/corvel_e2e_tests.dir/test_media_objects.cpp.o.d"
  "CMakeFiles/corvel_e2e_tests.dir/test_save.cpp.o"
  "CMakeFiles/corvel_e2e_tests.dir/test_save.cpp.o.d"
  "CMakeFiles/corvel_e2e_tests.dir/test_scan.cpp.o"
  "CMakeFiles/corvel_e2e_tests.dir/test_scan.cpp.o.d"
  "corvel_e2e_tests[1]_tests.cmake"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/corvel_e2e_tests.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
