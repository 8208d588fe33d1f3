# Empty dependencies file for corvel_analysis.
# This may be replaced when dependencies are built.
