file(REMOVE_RECURSE
  "CMakeFiles/corvel_l10n.dir/l10n/messages.cpp.o"
  "CMakeFiles/corvel_l10n.dir/l10n/messages.cpp.o.d"
  "libcorvel_l10n.a"
  "libcorvel_l10n.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/corvel_l10n.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
