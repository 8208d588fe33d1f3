file(REMOVE_RECURSE
  "CMakeFiles/corvel_repair.dir/repair/error_list.cpp.o"
  "CMakeFiles/corvel_repair.dir/repair/error_list.cpp.o.d"
  "CMakeFiles/corvel_repair.dir/repair/packet_plan.cpp.o"
  "CMakeFiles/corvel_repair.dir/repair/packet_plan.cpp.o.d"
  "CMakeFiles/corvel_repair.dir/repair/reconstruct.cpp.o"
  "CMakeFiles/corvel_repair.dir/repair/reconstruct.cpp.o.d"
  "CMakeFiles/corvel_repair.dir/repair/repair.cpp.o"
  "CMakeFiles/corvel_repair.dir/repair/repair.cpp.o.d"
  "CMakeFiles/corvel_repair.dir/repair/save.cpp.o"
  "CMakeFiles/corvel_repair.dir/repair/save.cpp.o.d"
  "libcorvel_repair.a"
  "libcorvel_repair.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/corvel_repair.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
