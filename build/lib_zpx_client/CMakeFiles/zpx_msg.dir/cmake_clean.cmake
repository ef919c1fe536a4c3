file(REMOVE_RECURSE
  "CMakeFiles/zpx_msg.dir/BodyReader.cpp.o"
  "CMakeFiles/zpx_msg.dir/BodyReader.cpp.o.d"
  "CMakeFiles/zpx_msg.dir/Message.cpp.o"
  "CMakeFiles/zpx_msg.dir/Message.cpp.o.d"
  "CMakeFiles/zpx_msg.dir/MessageType.cpp.o"
  "CMakeFiles/zpx_msg.dir/MessageType.cpp.o.d"
  "libzpx_msg.a"
  "libzpx_msg.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/zpx_msg.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
