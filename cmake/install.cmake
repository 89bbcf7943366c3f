# Installation and the Debian package. Included at the end of the top-level CMakeLists.txt, where
# every target is known: whichever of the libraries and programs this build has are installed.
#
# Layout: programs in bin/, the shared libraries in a private lib/duovue/ (their names are too
# plain for the system's library folder), their chief headers in include/duovue/, the camera
# list in /etc/duovue/usb-ids, the udev rule in the system's rules.d.

set(DUOVUE_USB_IDS "" CACHE STRING
    "Camera ids (vvvv:pppp,vvvv:pppp) written into the udev rule and /etc/duovue/usb-ids")
set(DUOVUE_CONFIG_DIR "/etc/duovue" CACHE PATH "Where the system's camera list is installed")
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
    pkg_get_variable(udev_dir udev udevdir)
endif()
if(NOT udev_dir)
    set(udev_dir /lib/udev)
endif()
set(DUOVUE_UDEV_RULES_DIR "${udev_dir}/rules.d" CACHE PATH "Where the udev rule is installed")

include(${PROJECT_SOURCE_DIR}/packaging/usb_ids.cmake)
duovue_write_usb_files("${DUOVUE_USB_IDS}" ${CMAKE_BINARY_DIR}/packaging/usb-ids
                       ${CMAKE_BINARY_DIR}/packaging/70-duovue.rules)

set(libraries platform zenthue zentdrv zentlink zentsession save zentdesk)
set(programs zentview duovue-sim duovue)
set(headers platform/platform.h color/zenthue.h driver/zentdrv.h driver/camera_modes.h
            link/zentlink.h session/session.h save/save.h app/zentdesk.h)
foreach(target IN LISTS libraries)
    if(TARGET ${target})
        install(TARGETS ${target} LIBRARY DESTINATION ${DUOVUE_LIBDIR} NAMELINK_SKIP)
    endif()
endforeach()
foreach(target IN LISTS programs)
    if(TARGET ${target})
        install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()
foreach(header IN LISTS headers)
    if(EXISTS ${PROJECT_SOURCE_DIR}/${header})
        install(FILES ${PROJECT_SOURCE_DIR}/${header}
                DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/duovue)
    endif()
endforeach()
if(TARGET zentview)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/zentview.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()
install(FILES ${CMAKE_BINARY_DIR}/packaging/70-duovue.rules DESTINATION ${DUOVUE_UDEV_RULES_DIR})
install(FILES ${CMAKE_BINARY_DIR}/packaging/usb-ids DESTINATION ${DUOVUE_CONFIG_DIR})

# The package: dependencies computed from the shared libraries, the camera list a conffile.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME duovue)
set(CPACK_PACKAGE_VERSION 0.1.0)
set(CPACK_PACKAGE_CONTACT "Duovue for Linux developers <duovue@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Duovue camera software: live view, pictures, clips")
set(CPACK_PACKAGE_DESCRIPTION
    "Programs and libraries for the Duovue USB camera: zentview (the desktop program), the\n"
    "camera driver libraries, and duovue-sim, a simulated camera for trying it without one.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS udev)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
file(WRITE ${CMAKE_BINARY_DIR}/packaging/conffiles "${DUOVUE_CONFIG_DIR}/usb-ids\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/conffiles)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)

add_test(NAME packaging_usb_ids
         COMMAND ${CMAKE_COMMAND} -DWORK=${CMAKE_BINARY_DIR}/packaging/test
                 -P ${PROJECT_SOURCE_DIR}/packaging/tests/usb_ids_test.cmake)
