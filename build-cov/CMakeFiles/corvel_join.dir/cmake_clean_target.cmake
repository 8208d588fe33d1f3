file(REMOVE_RECURSE
  "libcorvel_join.a"
)
