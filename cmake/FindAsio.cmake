# Standalone (header-only) asio, as Debian's libasio-dev ships it.
find_path(ASIO_INCLUDE_DIR NAMES asio.hpp)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Asio REQUIRED_VARS ASIO_INCLUDE_DIR)
if(Asio_FOUND AND NOT TARGET Asio::Asio)
  add_library(Asio::Asio INTERFACE IMPORTED)
  set_target_properties(Asio::Asio PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${ASIO_INCLUDE_DIR}"
    INTERFACE_COMPILE_DEFINITIONS "ASIO_STANDALONE;ASIO_NO_DEPRECATED")
  target_link_libraries(Asio::Asio INTERFACE Threads::Threads)
endif()
