# OpenCV core, imgproc and imgcodecs.
# Uses OpenCV's own CMake config where one is installed; Debian's per-module -dev
# packages ship none, so fall back to locating headers and libraries directly.
# Provides the imported targets OpenCV::core, OpenCV::imgproc, OpenCV::imgcodecs.
set(_ondrel_cv_modules core imgproc imgcodecs)

find_package(OpenCV 4 QUIET CONFIG COMPONENTS ${_ondrel_cv_modules})
if(OpenCV_FOUND)
  foreach(_m IN LISTS _ondrel_cv_modules)
    if(NOT TARGET OpenCV::${_m})
      add_library(OpenCV::${_m} INTERFACE IMPORTED)
      target_link_libraries(OpenCV::${_m} INTERFACE opencv_${_m})
    endif()
  endforeach()
  set(OpenCVModules_FOUND TRUE)
  return()
endif()

find_path(OpenCVModules_INCLUDE_DIR NAMES opencv2/core.hpp PATH_SUFFIXES opencv4)
set(_ondrel_cv_vars OpenCVModules_INCLUDE_DIR)
foreach(_m IN LISTS _ondrel_cv_modules)
  find_library(OpenCVModules_${_m}_LIBRARY NAMES opencv_${_m})
  list(APPEND _ondrel_cv_vars OpenCVModules_${_m}_LIBRARY)
endforeach()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(OpenCVModules REQUIRED_VARS ${_ondrel_cv_vars})

if(OpenCVModules_FOUND)
  foreach(_m IN LISTS _ondrel_cv_modules)
    if(NOT TARGET OpenCV::${_m})
      add_library(OpenCV::${_m} UNKNOWN IMPORTED)
      set_target_properties(OpenCV::${_m} PROPERTIES
        IMPORTED_LOCATION "${OpenCVModules_${_m}_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${OpenCVModules_INCLUDE_DIR}")
    endif()
  endforeach()
  target_link_libraries(OpenCV::imgproc INTERFACE OpenCV::core)
  target_link_libraries(OpenCV::imgcodecs INTERFACE OpenCV::imgproc OpenCV::core)
endif()
