file(REMOVE_RECURSE
  "libcorvel_export.a"
)
