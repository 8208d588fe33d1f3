file(REMOVE_RECURSE
  "libcorvel_analysis.a"
)
