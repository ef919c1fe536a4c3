# Empty dependencies file for zpx_msg.
# This may be replaced when dependencies are built.
