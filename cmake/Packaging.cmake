# Install layout and the Debian package (`cpack -G DEB` in the build folder).
#
#   <prefix>/bin/halvane                      -> ../lib/halvane/bin/halvane
#   <prefix>/lib/halvane/bin/halvane          the command line; it loads the module from
#   <prefix>/lib/halvane/host/foo_dsp_halvane.so   ../host/ beside its own folder
#   <prefix>/lib/halvane/host/halvane_dialog.so    the dialog, loaded by the module beside itself
#   <prefix>/lib/lv2/halvane.lv2/             the LV2 bundle (lv2/CMakeLists.txt)
#   <prefix>/share/halvane/pipewire/          the PipeWire sink configurations
include(GNUInstallDirs)

if(TARGET halvane)
  install(TARGETS halvane RUNTIME DESTINATION lib/halvane/bin COMPONENT cli)
  install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(CREATE_LINK ../lib/halvane/bin/halvane \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/halvane\" SYMBOLIC)"
    COMPONENT cli)
endif()
if(TARGET foo_dsp_halvane)
  # As built: its run path (the GPU runtime's folder) comes from its own link options.
  install(PROGRAMS $<TARGET_FILE:foo_dsp_halvane> DESTINATION lib/halvane/host COMPONENT cli)
endif()
if(TARGET halvane_dialog_module)
  install(PROGRAMS $<TARGET_FILE:halvane_dialog_module> DESTINATION lib/halvane/host COMPONENT cli)
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/pipewire/ DESTINATION share/halvane/pipewire COMPONENT pipewire
        FILES_MATCHING PATTERN "*.conf")

set(CPACK_PACKAGE_NAME halvane)
set(CPACK_PACKAGE_VENDOR "Halvane")
set(CPACK_PACKAGE_CONTACT "Halvane developers <halvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Surround upmix, matrix encoder and binaural headphone renderer (CLI, LV2, PipeWire)")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# Library dependencies are read from the binaries (dpkg-shlibdeps); the sinks need filter-chain.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pipewire-bin, libpipewire-0.3-modules")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "lilv-utils")
set(CPACK_GENERATOR DEB)
include(CPack)
