# Empty dependencies file for corvel_export.
# This may be replaced when dependencies are built.
