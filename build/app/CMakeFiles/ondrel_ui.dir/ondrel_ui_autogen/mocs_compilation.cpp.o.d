app/CMakeFiles/ondrel_ui.dir/ondrel_ui_autogen/mocs_compilation.cpp.o: \
 /work/main/build/app/ondrel_ui_autogen/mocs_compilation.cpp \
 /usr/include/stdc-predef.h
