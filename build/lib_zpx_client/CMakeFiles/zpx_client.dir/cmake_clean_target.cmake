file(REMOVE_RECURSE
  "libzpx_client.a"
)
