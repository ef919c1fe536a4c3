app/CMakeFiles/ondrel_core.dir/ondrel_core_autogen/mocs_compilation.cpp.o: \
 /work/main/build/app/ondrel_core_autogen/mocs_compilation.cpp \
 /usr/include/stdc-predef.h
