# Writes the applications-menu entry for the prefix being installed to. Its working folder
# is the one holding help/, so the help button finds the document there.
set(BREVINE_BINDIR "${CMAKE_INSTALL_PREFIX}/bin")
set(BREVINE_DATADIR "${CMAKE_INSTALL_PREFIX}/share/brevine")
set(entry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/brevine.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${BREVINE_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
