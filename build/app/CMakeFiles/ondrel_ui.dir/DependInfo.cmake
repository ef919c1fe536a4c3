
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/build/app/ondrel_ui_autogen/mocs_compilation.cpp" "app/CMakeFiles/ondrel_ui.dir/ondrel_ui_autogen/mocs_compilation.cpp.o" "gcc" "app/CMakeFiles/ondrel_ui.dir/ondrel_ui_autogen/mocs_compilation.cpp.o.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  "/work/main/build/app/CMakeFiles/ondrel_core.dir/DependInfo.cmake"
  "/work/main/build/lib_zpx_client/CMakeFiles/zpx_client.dir/DependInfo.cmake"
  "/work/main/build/lib_zpx_client/CMakeFiles/zpx_msg.dir/DependInfo.cmake"
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
