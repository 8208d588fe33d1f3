# Empty compiler generated dependencies file for fuzz_seeds.
# This may be replaced when dependencies are built.
