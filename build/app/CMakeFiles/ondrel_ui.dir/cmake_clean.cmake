file(REMOVE_RECURSE
  "CMakeFiles/ondrel_ui_autogen.dir/AutogenUsed.txt"
  "CMakeFiles/ondrel_ui_autogen.dir/ParseCache.txt"
  "ondrel_ui_autogen"
  "CMakeFiles/ondrel_ui.dir/ondrel_ui_autogen/mocs_compilation.cpp.o"
  "CMakeFiles/ondrel_ui.dir/ondrel_ui_autogen/mocs_compilation.cpp.o.d"
  "libondrel_ui.a"
  "libondrel_ui.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/ondrel_ui.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
