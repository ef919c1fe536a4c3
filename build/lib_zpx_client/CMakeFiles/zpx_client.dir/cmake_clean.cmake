file(REMOVE_RECURSE
  "CMakeFiles/zpx_client.dir/AuthGroup.cpp.o"
  "CMakeFiles/zpx_client.dir/AuthGroup.cpp.o.d"
  "CMakeFiles/zpx_client.dir/Connection.cpp.o"
  "CMakeFiles/zpx_client.dir/Connection.cpp.o.d"
  "CMakeFiles/zpx_client.dir/Device.cpp.o"
  "CMakeFiles/zpx_client.dir/Device.cpp.o.d"
  "CMakeFiles/zpx_client.dir/DeviceAuth.cpp.o"
  "CMakeFiles/zpx_client.dir/DeviceAuth.cpp.o.d"
  "CMakeFiles/zpx_client.dir/DeviceCapture.cpp.o"
  "CMakeFiles/zpx_client.dir/DeviceCapture.cpp.o.d"
  "CMakeFiles/zpx_client.dir/DeviceFirmware.cpp.o"
  "CMakeFiles/zpx_client.dir/DeviceFirmware.cpp.o.d"
  "CMakeFiles/zpx_client.dir/DeviceResults.cpp.o"
  "CMakeFiles/zpx_client.dir/DeviceResults.cpp.o.d"
  "CMakeFiles/zpx_client.dir/ResponseDecoders.cpp.o"
  "CMakeFiles/zpx_client.dir/ResponseDecoders.cpp.o.d"
  "CMakeFiles/zpx_client.dir/SslUtil.cpp.o"
  "CMakeFiles/zpx_client.dir/SslUtil.cpp.o.d"
  "libzpx_client.a"
  "libzpx_client.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/zpx_client.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
