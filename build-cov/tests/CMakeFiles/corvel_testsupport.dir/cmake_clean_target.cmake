file(REMOVE_RECURSE
  "libcorvel_testsupport.a"
)
