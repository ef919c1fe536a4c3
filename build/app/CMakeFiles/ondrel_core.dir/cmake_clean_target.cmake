file(REMOVE_RECURSE
  "libondrel_core.a"
)
