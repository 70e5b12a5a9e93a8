# Install rules and the Debian packages (scripts/package.sh):
#   confcred-server  the server, its systemd unit and configuration
#   confcred-host    the host application, the screen package and its translations
# Each keeps its program and our shared libraries in a folder of its own under
# /usr/lib (found through RPATH $ORIGIN), with a link in /usr/bin.

set(CONFCRED_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(CONFCRED_STAGE ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${CONFCRED_STAGE})

# A program in /usr/lib/<folder>, linked from /usr/bin; its documentation.
function(confcred_install_program component target folder)
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${target} RUNTIME DESTINATION lib/${folder} COMPONENT ${component})
    file(CREATE_LINK ../lib/${folder}/${target} ${CONFCRED_STAGE}/${target} SYMBOLIC)
    install(FILES ${CONFCRED_STAGE}/${target} DESTINATION bin COMPONENT ${component})
    install(FILES ${CONFCRED_PACKAGING_DIR}/copyright ${CONFCRED_STAGE}/changelog.gz
            DESTINATION share/doc/${component} COMPONENT ${component})
endfunction()

function(confcred_install_libraries component folder)
    foreach(lib ${ARGN})
        set_target_properties(${lib} PROPERTIES INSTALL_RPATH "$ORIGIN")
        install(TARGETS ${lib} LIBRARY DESTINATION lib/${folder} COMPONENT ${component})
    endforeach()
endfunction()

execute_process(COMMAND gzip -9nc ${CONFCRED_PACKAGING_DIR}/changelog
                OUTPUT_FILE ${CONFCRED_STAGE}/changelog.gz)
foreach(page confcred-server.1 confcred-host.1)
    execute_process(COMMAND gzip -9nc ${CONFCRED_PACKAGING_DIR}/${page}
                    OUTPUT_FILE ${CONFCRED_STAGE}/${page}.gz)
endforeach()

if(TARGET confcred-server)
    confcred_install_program(confcred-server confcred-server confcred-server)
    confcred_install_libraries(confcred-server confcred-server confcred_dataset confcred_platform)
    install(FILES ${CONFCRED_PACKAGING_DIR}/confcred-server.service
                  ${CONFCRED_PACKAGING_DIR}/confcred-server@.service
            DESTINATION /lib/systemd/system COMPONENT confcred-server)
    install(FILES ${CONFCRED_STAGE}/confcred-server.1.gz
            DESTINATION share/man/man1 COMPONENT confcred-server)
    install(FILES ${CONFCRED_PACKAGING_DIR}/server.conf
            DESTINATION /etc/confcred COMPONENT confcred-server)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/deployment.md ${PROJECT_SOURCE_DIR}/docs/protocol.md
                  ${PROJECT_SOURCE_DIR}/docs/schema.md ${PROJECT_SOURCE_DIR}/docs/security.md
                  ${CONFCRED_PACKAGING_DIR}/haproxy.cfg
            DESTINATION share/doc/confcred-server COMPONENT confcred-server)
endif()

if(TARGET confcred-host)
    confcred_install_program(confcred-host confcred-host confcred-host)
    confcred_install_libraries(confcred-host confcred-host Pkg_Lun90000 confcred_host
                               confcred_dataset confcred_platform)
    install(FILES ${CMAKE_BINARY_DIR}/bin/Pkg_Lun90000_en.qm
                  ${CMAKE_BINARY_DIR}/bin/confcred_host_en.qm
            DESTINATION lib/confcred-host COMPONENT confcred-host)
    install(FILES ${CONFCRED_STAGE}/confcred-host.1.gz
            DESTINATION share/man/man1 COMPONENT confcred-host)
    install(FILES ${CONFCRED_PACKAGING_DIR}/confcred-host.desktop
            DESTINATION share/applications COMPONENT confcred-host)
    install(FILES ${CONFCRED_PACKAGING_DIR}/confcred-host.svg
            DESTINATION share/icons/hicolor/scalable/apps COMPONENT confcred-host)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME confcred)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "confcred developers <confcred-dev@example.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL confcred-server confcred-host)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_CONFCRED-SERVER_PACKAGE_NAME confcred-server)
set(CPACK_DEBIAN_CONFCRED-SERVER_PACKAGE_SECTION net)
# The libraries' packages and their versions come from dpkg-shlibdeps over
# the installed binaries; only what no binary links is named by hand: adduser
# (postinst) and, for the host, the Qt SQL plugin it loads at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_CONFCRED-SERVER_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_CONFCRED-HOST_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_CONFCRED-SERVER_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_CONFCRED-SERVER_PACKAGE_RECOMMENDS "postgresql-client")
set(CPACK_DEBIAN_CONFCRED-SERVER_PACKAGE_SUGGESTS "haproxy")
set(CPACK_COMPONENT_CONFCRED-SERVER_DESCRIPTION
    "confcred application server (rdmConfCredBanc)\nThe HTTP server of the bank credit confirmation screens, on SQLite or\nPostgreSQL, run by systemd as the user confcred.")
set(CPACK_DEBIAN_CONFCRED-SERVER_PACKAGE_CONTROL_EXTRA
    ${CONFCRED_PACKAGING_DIR}/postinst ${CONFCRED_PACKAGING_DIR}/prerm
    ${CONFCRED_PACKAGING_DIR}/postrm ${CONFCRED_PACKAGING_DIR}/conffiles)
set(CPACK_DEBIAN_CONFCRED-SERVER_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_CONFCRED-HOST_PACKAGE_NAME confcred-host)
set(CPACK_DEBIAN_CONFCRED-HOST_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_CONFCRED-HOST_PACKAGE_RECOMMENDS "libqt6sql6-psql, qt6-translations-l10n")
set(CPACK_COMPONENT_CONFCRED-HOST_DESCRIPTION
    "confcred host application and bank credit confirmation screens\nThe desktop application that loads the screen package Pkg_Lun90000 and\ntalks to confcred-server.")

include(CPack)
