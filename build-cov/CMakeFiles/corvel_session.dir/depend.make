# Empty dependencies file for corvel_session.
# This may be replaced when dependencies are built.
