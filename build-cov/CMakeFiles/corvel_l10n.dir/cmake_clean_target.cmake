file(REMOVE_RECURSE
  "libcorvel_l10n.a"
)
