# Run by cpack after it made the package (CPACK_POST_BUILD_SCRIPTS): CPack's
# DEB generator gives a package with libraries in /usr/lib maintainer scripts
# that only run ldconfig. The package's trigger does that job already, and a
# package with a postrm script stays known to dpkg after `dpkg -r` (in the
# state config-files), so the package is made again without them.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb -R "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE "${tree}/DEBIAN/postinst" "${tree}/DEBIAN/postrm")
  execute_process(COMMAND dpkg-deb --root-owner-group -b "${tree}" "${deb}"
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
