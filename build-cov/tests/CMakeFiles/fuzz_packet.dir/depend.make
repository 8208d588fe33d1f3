# Empty dependencies file for fuzz_packet.
# This may be replaced when dependencies are built.
