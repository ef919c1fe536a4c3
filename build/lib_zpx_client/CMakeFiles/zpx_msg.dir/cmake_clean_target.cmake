file(REMOVE_RECURSE
  "libzpx_msg.a"
)
