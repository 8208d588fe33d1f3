# Empty dependencies file for corvel_repair.
# This may be replaced when dependencies are built.
