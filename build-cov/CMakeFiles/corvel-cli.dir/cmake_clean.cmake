file(REMOVE_RECURSE
  "CMakeFiles/corvel-cli.dir/cli/batch.cpp.o"
  "CMakeFiles/corvel-cli.dir/cli/batch.cpp.o.d"
  "CMakeFiles/corvel-cli.dir/cli/export.cpp.o"
  "CMakeFiles/corvel-cli.dir/cli/export.cpp.o.d"
  "CMakeFiles/corvel-cli.dir/cli/info.cpp.o"
  "CMakeFiles/corvel-cli.dir/cli/info.cpp.o.d"
  "CMakeFiles/corvel-cli.dir/cli/join.cpp.o"
  "CMakeFiles/corvel-cli.dir/cli/join.cpp.o.d"
  "CMakeFiles/corvel-cli.dir/cli/main.cpp.o"
  "CMakeFiles/corvel-cli.dir/cli/main.cpp.o.d"
  "CMakeFiles/corvel-cli.dir/cli/output.cpp.o"
  "CMakeFiles/corvel-cli.dir/cli/output.cpp.o.d"
  "CMakeFiles/corvel-cli.dir/cli/repair.cpp.o"
  "CMakeFiles/corvel-cli.dir/cli/repair.cpp.o.d"
  "CMakeFiles/corvel-cli.dir/cli/scan.cpp.o"
  "CMakeFiles/corvel-cli.dir/cli/scan.cpp.o.d"
  "bin/corvel-cli"
  "bin/corvel-cli.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/corvel-cli.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
