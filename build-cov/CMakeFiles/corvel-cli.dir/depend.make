# Empty dependencies file for corvel-cli.
# This may be replaced when dependencies are built.
