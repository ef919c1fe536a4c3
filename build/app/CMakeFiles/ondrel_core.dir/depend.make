# Empty dependencies file for ondrel_core.
# This may be replaced when dependencies are built.
