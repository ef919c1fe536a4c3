file(REMOVE_RECURSE
  "libondrel_ui.a"
)
