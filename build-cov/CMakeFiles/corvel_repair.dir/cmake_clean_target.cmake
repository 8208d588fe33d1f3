file(REMOVE_RECURSE
  "libcorvel_repair.a"
)
