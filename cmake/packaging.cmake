# A Debian package of whatever `cmake --install` installs: cpack -G DEB in the build tree.
# Its dependencies come from the binaries themselves (dpkg-shlibdeps): libsndfile, the C++
# runtime.
set(CPACK_PACKAGE_NAME tarvo-delay)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarvo Audio")
set(CPACK_PACKAGE_CONTACT "Tarvo Audio <tarvo-delay@tarvo-audio.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "stereo delay effect: command line renderer and plug-ins")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarvo Delay is a stereo delay with tempo-synchronised loops, feedback, a\n"
    "resonant filter, chorus and panning oscillators. tarvo-delay renders audio\n"
    "files through it, lists its parameters and replays host sessions; it reads\n"
    "and writes any format libsndfile knows, and works in pipes.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tarvo-audio.example/tarvo-delay")

# What every Debian package carries: its copyright and a compressed changelog.
set(TARVO_PACKAGE_DOCS ${CMAKE_BINARY_DIR}/package-docs)
file(MAKE_DIRECTORY ${TARVO_PACKAGE_DOCS})
file(WRITE ${TARVO_PACKAGE_DOCS}/changelog
     "tarvo-delay (${PROJECT_VERSION}) stable; urgency=medium\n\n"
     "  * Release ${PROJECT_VERSION}.\n\n"
     " -- ${CPACK_PACKAGE_CONTACT}  Tue, 08 Dec 2026 00:00:00 +0000\n")
find_program(TARVO_GZIP gzip)
if(TARVO_GZIP)
  execute_process(COMMAND ${TARVO_GZIP} -9 -n -f ${TARVO_PACKAGE_DOCS}/changelog)
  install(FILES ${TARVO_PACKAGE_DOCS}/changelog.gz DESTINATION share/doc/tarvo-delay)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/cmake/copyright DESTINATION share/doc/tarvo-delay)

include(CPack)
