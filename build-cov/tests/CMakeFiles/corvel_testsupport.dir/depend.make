# Empty dependencies file for corvel_testsupport.
# This may be replaced when dependencies are built.
