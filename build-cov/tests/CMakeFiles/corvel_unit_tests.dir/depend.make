# Empty dependencies file for corvel_unit_tests.
# This may be replaced when dependencies are built.
