file(REMOVE_RECURSE
  "libcorvel_session.a"
)
