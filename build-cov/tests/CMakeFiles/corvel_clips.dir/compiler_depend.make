# Empty compiler generated dependencies file for corvel_clips.
# This may be replaced when dependencies are built.
