# The Debian package made by `cpack -G DEB` in the build directory. It holds what the
# install rules install: OndrelApp, ondrel-sim, the desktop entry, the icons and the README;
# tests and benchmarks have no install rules and stay out.
set(ONDREL_PACKAGE_NAME ondrel-app)
set(ONDREL_PACKAGE_MAINTAINER "Quorvel GmbH <support@quorvel.example>"
    CACHE STRING "Maintainer field of the Debian package")

install(FILES ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${ONDREL_PACKAGE_NAME})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${ONDREL_PACKAGE_NAME}/docs
        FILES_MATCHING PATTERN "*.png")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${ONDREL_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorvel GmbH")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Capture client for the Ondrel contactless fingerprint scanner")
set(CPACK_PACKAGE_DESCRIPTION
    "Ondrel App connects to the scanner's device server over TCP, shows its live frames with\n"
    "feedback on each finger, captures the right hand, the left hand and the thumbs, and\n"
    "stores the images and measurements per person and run. The package also holds\n"
    "ondrel-sim, a scanner simulator speaking the same protocol.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ONDREL_PACKAGE_MAINTAINER}")
# Dependencies as dpkg-shlibdeps finds them in the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
