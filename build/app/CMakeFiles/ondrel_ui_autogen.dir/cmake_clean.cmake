file(REMOVE_RECURSE
  "CMakeFiles/ondrel_ui_autogen"
  "ondrel_ui_autogen/mocs_compilation.cpp"
)

# Per-language clean rules from dependency scanning.
foreach(lang )
  include(CMakeFiles/ondrel_ui_autogen.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
