
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/lib_zpx_client/AuthGroup.cpp" "lib_zpx_client/CMakeFiles/zpx_client.dir/AuthGroup.cpp.o" "gcc" "lib_zpx_client/CMakeFiles/zpx_client.dir/AuthGroup.cpp.o.d"
  "/work/main/lib_zpx_client/Connection.cpp" "lib_zpx_client/CMakeFiles/zpx_client.dir/Connection.cpp.o" "gcc" "lib_zpx_client/CMakeFiles/zpx_client.dir/Connection.cpp.o.d"
  "/work/main/lib_zpx_client/Device.cpp" "lib_zpx_client/CMakeFiles/zpx_client.dir/Device.cpp.o" "gcc" "lib_zpx_client/CMakeFiles/zpx_client.dir/Device.cpp.o.d"
  "/work/main/lib_zpx_client/DeviceAuth.cpp" "lib_zpx_client/CMakeFiles/zpx_client.dir/DeviceAuth.cpp.o" "gcc" "lib_zpx_client/CMakeFiles/zpx_client.dir/DeviceAuth.cpp.o.d"
  "/work/main/lib_zpx_client/DeviceCapture.cpp" "lib_zpx_client/CMakeFiles/zpx_client.dir/DeviceCapture.cpp.o" "gcc" "lib_zpx_client/CMakeFiles/zpx_client.dir/DeviceCapture.cpp.o.d"
  "/work/main/lib_zpx_client/DeviceFirmware.cpp" "lib_zpx_client/CMakeFiles/zpx_client.dir/DeviceFirmware.cpp.o" "gcc" "lib_zpx_client/CMakeFiles/zpx_client.dir/DeviceFirmware.cpp.o.d"
  "/work/main/lib_zpx_client/DeviceResults.cpp" "lib_zpx_client/CMakeFiles/zpx_client.dir/DeviceResults.cpp.o" "gcc" "lib_zpx_client/CMakeFiles/zpx_client.dir/DeviceResults.cpp.o.d"
  "/work/main/lib_zpx_client/ResponseDecoders.cpp" "lib_zpx_client/CMakeFiles/zpx_client.dir/ResponseDecoders.cpp.o" "gcc" "lib_zpx_client/CMakeFiles/zpx_client.dir/ResponseDecoders.cpp.o.d"
  "/work/main/lib_zpx_client/SslUtil.cpp" "lib_zpx_client/CMakeFiles/zpx_client.dir/SslUtil.cpp.o" "gcc" "lib_zpx_client/CMakeFiles/zpx_client.dir/SslUtil.cpp.o.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  "/work/main/build/lib_zpx_client/CMakeFiles/zpx_msg.dir/DependInfo.cmake"
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
