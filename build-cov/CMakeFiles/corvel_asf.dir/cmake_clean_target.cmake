file(REMOVE_RECURSE
  "libcorvel_asf.a"
)
