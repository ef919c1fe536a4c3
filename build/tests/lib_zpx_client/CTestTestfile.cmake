# CMake generated Testfile for 
# Source directory: /work/main/tests/lib_zpx_client
# Build directory: /work/main/build/tests/lib_zpx_client
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
