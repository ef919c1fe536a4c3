file(REMOVE_RECURSE
  "CMakeFiles/ondrel_core_autogen.dir/AutogenUsed.txt"
  "CMakeFiles/ondrel_core_autogen.dir/ParseCache.txt"
  "ondrel_core_autogen"
  "CMakeFiles/ondrel_core.dir/ondrel_core_autogen/mocs_compilation.cpp.o"
  "CMakeFiles/ondrel_core.dir/ondrel_core_autogen/mocs_compilation.cpp.o.d"
  "libondrel_core.a"
  "libondrel_core.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/ondrel_core.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
