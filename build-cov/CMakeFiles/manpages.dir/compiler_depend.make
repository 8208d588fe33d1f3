# Empty custom commands generated dependencies file for manpages.
# This may be replaced when dependencies are built.
