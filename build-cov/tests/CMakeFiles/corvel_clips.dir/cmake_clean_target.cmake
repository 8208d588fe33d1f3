file(REMOVE_RECURSE
  "libcorvel_clips.a"
)
