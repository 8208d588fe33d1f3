file(REMOVE_RECURSE
  "CMakeFiles/manpages"
  "man/corvel-cli.1.gz"
)

# Per-language clean rules from dependency scanning.
foreach(lang )
  include(CMakeFiles/manpages.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
