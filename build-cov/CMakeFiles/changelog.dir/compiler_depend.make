# Empty custom commands generated dependencies file for changelog.
# This may be replaced when dependencies are built.
