# Empty dependencies file for corvel_l10n.
# This may be replaced when dependencies are built.
