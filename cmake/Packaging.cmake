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
    "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1 (>= 3.0), zlib1g (>= 1:1.1.4), "
    "libglib2.0-0 (>= 2.57.2), libcairo2 (>= 1.2.4), libpango-1.0-0 (>= 1.14.0), "
    "libgdk-pixbuf-2.0-0 (>= 2.22.0), libgtk-3-0 (>= 3.21.4), libwebkit2gtk-4.1-0 (>= 2.25.1), libsoup-3.0-0, "
    "libgstreamer1.0-0 (>= 1.20), libxml2 (>= 2.9), libicu72, libsqlite3-0 (>= 3.40), libgcrypt20 (>= 1.10), librsvg2-common")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DEPENDS "${CPACK_DEBIAN_PACKAGE_DEPENDS}")
# GStreamer's players of the media an eBook may hold: WebM, Ogg and MP3
# (base and good), H.264 and AAC in MP4 (libav).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "adwaita-icon-theme, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav")
include(CPack)
