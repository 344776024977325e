# vantile_install_program(target): installs a program into <libdir>/vantile,
# beside Demos/ and help/, with a link to it in <bindir>.
include(GNUInstallDirs)
function(vantile_install_program target)
  install(TARGETS ${target} DESTINATION ${CMAKE_INSTALL_LIBDIR}/vantile)
  install(CODE "
    file(MAKE_DIRECTORY \$ENV{DESTDIR}${CMAKE_INSTALL_FULL_BINDIR})
    file(CREATE_LINK ../${CMAKE_INSTALL_LIBDIR}/vantile/${target} \$ENV{DESTDIR}${CMAKE_INSTALL_FULL_BINDIR}/${target} SYMBOLIC)")
endfunction()
