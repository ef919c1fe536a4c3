# Empty dependencies file for zpx_client.
# This may be replaced when dependencies are built.
