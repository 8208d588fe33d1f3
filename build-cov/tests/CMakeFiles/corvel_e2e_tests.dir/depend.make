# Empty dependencies file for corvel_e2e_tests.
# This may be replaced when dependencies are built.
