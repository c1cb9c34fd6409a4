# The Debian package of the compiler, made by `cpack -G DEB` from the
# install rules. Its files are never stripped: the compiler's last bytes are
# the viewer it copies into every eBook.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorbin-compiler)
set(CPACK_PACKAGE_VENDOR "The Zorbin developers")
set(CPACK_PACKAGE_CONTACT "The Zorbin developers <developers@zorbin.invalid>" CACHE STRING
    "Maintainer of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Bind a folder of web pages into one eBook program")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The Zorbin eBook Compiler turns a folder of HTML pages, with their images,\n"
    "style sheets and scripts, into one self-contained eBook executable that shows\n"
    "the pages in its own window. It has a wizard window and a command line that\n"
    "builds, lists and verifies eBooks.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_STRIP_FILES OFF)
# The libraries of the compiler and of the viewer inside it (a tool of
# dpkg's cannot see that one), as dpkg-shlibdeps reports them on Debian 12.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1 (>= 3.0), zlib1g (>= 1:1.1.4), libdeflate0 (>= 1.0), "
    "libglib2.0-0 (>= 2.57.2), libcairo2 (>= 1.2.4), libpango-1.0-0 (>= 1.14.0), "
    "libgdk-pixbuf-2.0-0 (>= 2.22.0), libgtk-3-0 (>= 3.21.4), libwebkit2gtk-4.1-0 (>= 2.25.1), "
    "libjavascriptcoregtk-4.1-0, libsoup-3.0-0, libgstreamer1.0-0 (>= 1.20), libxml2 (>= 2.9), "
    "libjson-glib-1.0-0 (>= 1.6), libicu72, libsqlite3-0 (>= 3.40), libgcrypt20 (>= 1.10), librsvg2-common")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DEPENDS "${CPACK_DEBIAN_PACKAGE_DEPENDS}")
# GStreamer's players of the media an eBook may hold: WebM, Ogg and MP3
# (base and good), H.264 and AAC in MP4 (libav).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "adwaita-icon-theme, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav")

# Debian's two documents of every package, in /usr/share/doc/zorbin-compiler:
# the copyright file, LICENSE in the machine-readable format, and the
# changelog of this native package, one entry for this version. The entry's
# date is the release's, as in the AppStream data's <release>: set it anew
# with the version.
include(GNUInstallDirs)
set(ZORBIN_RELEASE_DATE "Tue, 08 Dec 2026 00:00:00 +0000")
set(debian_doc ${PROJECT_BINARY_DIR}/debian-doc)
set(debian_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
if(NOT license MATCHES "^MIT License\n\nCopyright \\(c\\) ([^\n]+)\n\n(.+)$")
  message(FATAL_ERROR "LICENSE is not the MIT license with one copyright line")
endif()
set(copyright_holder "${CMAKE_MATCH_1}")
# In a paragraph of the copyright file, the text's lines start with a space
# and its blank lines are a lone " .".
string(STRIP "${CMAKE_MATCH_2}" license_text)
string(REPLACE "\n\n" "\n.\n" license_text "${license_text}")
string(REPLACE "\n" "\n " license_text "${license_text}")
file(CONFIGURE OUTPUT ${debian_doc}/copyright CONTENT [[
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Zorbin eBook Compiler
Upstream-Contact: ${CPACK_PACKAGE_CONTACT}

Files: *
Copyright: ${copyright_holder}
License: MIT

License: MIT
 ${license_text}
]])

file(CONFIGURE OUTPUT ${debian_doc}/changelog CONTENT [[
${CPACK_PACKAGE_NAME} (${PROJECT_VERSION}) unstable; urgency=medium

  * Zorbin eBook Compiler ${PROJECT_VERSION}.

 -- ${CPACK_PACKAGE_CONTACT}  ${ZORBIN_RELEASE_DATE}
]])
add_custom_command(OUTPUT ${debian_doc}/changelog.gz
  COMMAND sh -c "gzip -9n < \"$1\" > \"$2\"" gzip ${debian_doc}/changelog ${debian_doc}/changelog.gz
  DEPENDS ${debian_doc}/changelog VERBATIM)
add_custom_target(debian_doc ALL DEPENDS ${debian_doc}/changelog.gz)
install(FILES ${debian_doc}/copyright ${debian_doc}/changelog.gz DESTINATION ${debian_doc_dir})

include(CPack)
