file(REMOVE_RECURSE
  "CMakeFiles/ondrel_core_autogen"
  "ondrel_core_autogen/mocs_compilation.cpp"
)

# Per-language clean rules from dependency scanning.
foreach(lang )
  include(CMakeFiles/ondrel_core_autogen.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
