# The installed program folder: both programs with Demos/ and help/ beside
# them, and links to the programs in <bindir>. It is lib/vantile under the
# prefix whatever CMAKE_INSTALL_LIBDIR says: Debian's build sets that to a
# multiarch folder, and the programs find their data beside themselves.
include(GNUInstallDirs)
set(VANTILE_INSTALL_PROGRAMDIR "lib/vantile" CACHE STRING
    "Folder under the prefix for the programs, Demos/ and help/")

# vantile_install_program(target): installs a program into the program
# folder with a relative link to it in <bindir>, so the installed tree can
# be moved (a package staging folder, another prefix).
function(vantile_install_program target)
  install(TARGETS ${target} DESTINATION ${VANTILE_INSTALL_PROGRAMDIR})
  # Both folders are under the prefix, so the link does not depend on it
  # (cmake --install --prefix may choose another one).
  file(RELATIVE_PATH link_target /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${VANTILE_INSTALL_PROGRAMDIR}/${target})
  install(CODE "
    set(bindir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(MAKE_DIRECTORY \"\${bindir}\")
    message(STATUS \"Installing: \${bindir}/${target} -> ${link_target}\")
    file(CREATE_LINK ${link_target} \"\${bindir}/${target}\" SYMBOLIC)")
endfunction()
