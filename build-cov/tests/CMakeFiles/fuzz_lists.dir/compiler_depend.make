# Empty compiler generated dependencies file for fuzz_lists.
# This may be replaced when dependencies are built.
