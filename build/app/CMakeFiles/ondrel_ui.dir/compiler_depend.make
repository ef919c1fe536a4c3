# Empty compiler generated dependencies file for ondrel_ui.
# This may be replaced when dependencies are built.
