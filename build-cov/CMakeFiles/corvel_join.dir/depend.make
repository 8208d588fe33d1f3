# Empty dependencies file for corvel_join.
# This may be replaced when dependencies are built.
