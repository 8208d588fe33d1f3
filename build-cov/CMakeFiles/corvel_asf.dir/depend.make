# Empty dependencies file for corvel_asf.
# This may be replaced when dependencies are built.
