# The Debian package made by `cpack -G DEB` in the build directory. It holds what the
# install rules install: OndrelApp, ondrel-sim, their manual pages, the desktop entry, the
# icons, the README, the copyright file and the changelog; tests and benchmarks have no
# install rules and stay out. scripts/package-check.sh runs lintian on it.
set(ONDREL_PACKAGE_NAME ondrel-app)
set(ONDREL_PACKAGE_MAINTAINER "Quorvel GmbH <support@quorvel.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${ONDREL_PACKAGE_NAME})
set(_debian_dir ${PROJECT_BINARY_DIR}/debian)
find_program(ONDREL_GZIP gzip REQUIRED)

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${_doc_dir})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${_doc_dir}/docs FILES_MATCHING PATTERN "*.png")

# The copyright holder is the maintainer, named once.
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/copyright.in ${_debian_dir}/copyright @ONLY)
install(FILES ${_debian_dir}/copyright DESTINATION ${_doc_dir})

# The changelog's newest entry must be the version being packaged.
file(STRINGS ${PROJECT_SOURCE_DIR}/resources/debian/changelog _newest LIMIT_COUNT 1)
if(NOT _newest MATCHES "^${ONDREL_PACKAGE_NAME} \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "resources/debian/changelog: the newest entry is not version ${PROJECT_VERSION}; add one")
endif()
# Compressed without name and time stamp, so that the same changelog gives the same bytes.
add_custom_command(OUTPUT ${_debian_dir}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/resources/debian/changelog ${_debian_dir}/changelog
  COMMAND ${ONDREL_GZIP} -9nf ${_debian_dir}/changelog
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/debian/changelog
  VERBATIM)
add_custom_target(ondrel_changelog ALL DEPENDS ${_debian_dir}/changelog.gz)
install(FILES ${_debian_dir}/changelog.gz DESTINATION ${_doc_dir})

# Manual pages made from each program's --help and --version. The program is found on
# PATH, so that its usage line names it without the build directory.
find_program(ONDREL_HELP2MAN help2man)
if(NOT ONDREL_HELP2MAN)
  message(WARNING "help2man not found: no manual pages (scripts/install-deps.sh installs it)")
endif()
function(ondrel_manual_page program whatis)
  if(NOT ONDREL_HELP2MAN OR NOT TARGET ${program})
    return()
  endif()
  set(page ${_debian_dir}/${program}.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E env "PATH=$<TARGET_FILE_DIR:${program}>:$ENV{PATH}"
            ${ONDREL_HELP2MAN} --no-info --section=1 --name=${whatis} --output=${page} ${program}
    COMMAND ${ONDREL_GZIP} -9nf ${page}
    DEPENDS ${program}
    COMMENT "Manual page of ${program}"
    VERBATIM)
  add_custom_target(${program}_manual_page ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
ondrel_manual_page(OndrelApp "capture client of the Ondrel contactless fingerprint scanner")
ondrel_manual_page(ondrel-sim "simulator of the Ondrel scanner's device server")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${ONDREL_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorvel GmbH")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Capture client for the Ondrel contactless fingerprint scanner")
# Lines of at most 79 characters: lintian wants each line of the control field, with its
# leading space, within 80.
set(CPACK_PACKAGE_DESCRIPTION
    "Ondrel App connects to the scanner's device server over TCP, shows its live\n"
    "frames with feedback on each finger, captures the right hand, the left hand\n"
    "and the thumbs, and stores the images and measurements per person and run.\n"
    "The package also holds ondrel-sim, a scanner simulator speaking the same\n"
    "protocol.")
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
