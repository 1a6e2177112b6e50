# What a Windows build adds to the programs: the window program on the GUI subsystem (no
# console window behind it), the console program writing UTF-8 byte for byte as on Linux,
# and in both the icon and the version the file properties show. Included instead of the
# Debian packaging.
set_target_properties(kliv-service PROPERTIES WIN32_EXECUTABLE ON)
target_sources(kliv-cli PRIVATE ${CMAKE_SOURCE_DIR}/tools/cli/windows/console.cpp)

set(KLIV_ICON ${CMAKE_SOURCE_DIR}/packaging/icons/kliv-service.ico)
function(kliv_windows_resource target description)
    set(KLIV_TARGET ${target})
    set(KLIV_DESCRIPTION ${description})
    set(rc ${CMAKE_BINARY_DIR}/windows/${target}.rc)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
kliv_windows_resource(kliv-service "KLIV-1M relay service tool")
kliv_windows_resource(kliv-cli "KLIV-1M relay service tool, command line")
