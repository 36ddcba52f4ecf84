# Installation and the Debian package. `cmake --install build/release --prefix P` puts
#   P/bin/kvhost                                   the headless host
#   P/lib/kv-curves/morrowby.so, tarnwick.so       the effect plug-ins
#   P/lib/frei0r-1/kv-curves-*.so                  the frei0r modules (where ffmpeg and MLT look)
#   P/share/man/man1/kvhost.1.gz                   the man page, from kvhost's --help texts
# and scripts/package.sh makes kv-curves_<version>_<arch>.deb of the same files under /usr.
# Installing builds nothing: build first (scripts/package.sh does).
install(TARGETS kvhost RUNTIME DESTINATION bin)
install(TARGETS morrowby tarnwick LIBRARY DESTINATION lib/kv-curves)
install(TARGETS kv-curves-absolute kv-curves-relative LIBRARY DESTINATION lib/frei0r-1)
install(FILES ${PROJECT_BINARY_DIR}/host/cli/kvhost.1.gz DESTINATION share/man/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kv-curves)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Korvane)
set(CPACK_PACKAGE_CONTACT "Korvane <packages@korvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Korvane curves effects for ffmpeg, MLT and OpenColorIO")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "KV Curves - Absolute and KV Curves - Relative colour-correction effects, their headless host\n\
kvhost (render, projects, LUT export for OpenColorIO) and frei0r modules for ffmpeg and MLT-based\n\
editors (Kdenlive, Shotcut).")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ffmpeg, melt, opencolorio-tools")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# kv-curves_1.0.7_amd64.deb; the dependencies are what the binaries link (dpkg-shlibdeps).
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
