
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/lib_zpx_client/BodyReader.cpp" "lib_zpx_client/CMakeFiles/zpx_msg.dir/BodyReader.cpp.o" "gcc" "lib_zpx_client/CMakeFiles/zpx_msg.dir/BodyReader.cpp.o.d"
  "/work/main/lib_zpx_client/Message.cpp" "lib_zpx_client/CMakeFiles/zpx_msg.dir/Message.cpp.o" "gcc" "lib_zpx_client/CMakeFiles/zpx_msg.dir/Message.cpp.o.d"
  "/work/main/lib_zpx_client/MessageType.cpp" "lib_zpx_client/CMakeFiles/zpx_msg.dir/MessageType.cpp.o" "gcc" "lib_zpx_client/CMakeFiles/zpx_msg.dir/MessageType.cpp.o.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
