file(REMOVE_RECURSE
  "CMakeFiles/changelog"
  "changelog.gz"
)

# Per-language clean rules from dependency scanning.
foreach(lang )
  include(CMakeFiles/changelog.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
