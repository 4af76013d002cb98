# Where `cmake --install` puts things. Everything lands under the prefix and finds its
# libraries relative to itself, so an installed tree can be moved; with
# SCOPE_INSTALL_TO_QT_DESIGNER the Designer plug-ins go into Qt's own plug-in folder instead
# (a system install that a stock Qt Designer picks up without QT_PLUGIN_PATH).
#
# The build tree is laid out like the kit (plug-ins in lib/qt5/plugins/designer), so the
# installed targets carry their install run path from the start. Otherwise CMake pads the
# build tree's run path with empty entries for the install to overwrite, and an empty entry
# makes the loader search the process's working folder.
option(SCOPE_INSTALL_TO_QT_DESIGNER "Install the Designer plug-ins into Qt's own Designer folder" OFF)

set(SCOPE_PACKAGE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/TarnScope")
set(SCOPE_BUILD_QT_PLUGIN_DIR "${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/qt5/plugins")
if(SCOPE_INSTALL_TO_QT_DESIGNER)
    get_target_property(_scope_qmake Qt5::qmake IMPORTED_LOCATION)
    execute_process(COMMAND ${_scope_qmake} -query QT_INSTALL_PLUGINS
        OUTPUT_VARIABLE _scope_qt_plugins OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE _scope_qmake_result)
    if(NOT _scope_qmake_result EQUAL 0 OR NOT _scope_qt_plugins)
        message(FATAL_ERROR "qmake -query QT_INSTALL_PLUGINS failed")
    endif()
    set(SCOPE_DESIGNER_PLUGIN_DIR "${_scope_qt_plugins}/designer")
    # The first entry serves the build tree (installed, it is Qt's library folder).
    set(SCOPE_PLUGIN_RPATH "$ORIGIN/../../.." "${CMAKE_INSTALL_FULL_LIBDIR}")
else()
    set(SCOPE_DESIGNER_PLUGIN_DIR "${CMAKE_INSTALL_LIBDIR}/qt5/plugins/designer")
    set(SCOPE_PLUGIN_RPATH "$ORIGIN/../../..")
endif()
