# Empty dependencies file for fuzz_data.
# This may be replaced when dependencies are built.
