# Empty dependencies file for fuzz_header.
# This may be replaced when dependencies are built.
