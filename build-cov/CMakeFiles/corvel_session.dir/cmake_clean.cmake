file(REMOVE_RECURSE
  "CMakeFiles/corvel_session.dir/session/actions.cpp.o"
  "CMakeFiles/corvel_session.dir/session/actions.cpp.o.d"
  "CMakeFiles/corvel_session.dir/session/error_grid.cpp.o"
  "CMakeFiles/corvel_session.dir/session/error_grid.cpp.o.d"
  "CMakeFiles/corvel_session.dir/session/worker.cpp.o"
  "CMakeFiles/corvel_session.dir/session/worker.cpp.o.d"
  "libcorvel_session.a"
  "libcorvel_session.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/corvel_session.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
