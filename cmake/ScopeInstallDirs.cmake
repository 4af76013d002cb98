# Where `cmake --install` puts things. Everything lands under the prefix and finds its
# libraries relative to itself, so an installed tree can be moved; with
# SCOPE_INSTALL_TO_QT_DESIGNER the Designer plug-ins go into Qt's own plug-in folder instead
# (a system install that a stock Qt Designer picks up without QT_PLUGIN_PATH).
option(SCOPE_INSTALL_TO_QT_DESIGNER "Install the Designer plug-ins into Qt's own Designer folder" OFF)

set(SCOPE_PACKAGE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/TarnScope")
if(SCOPE_INSTALL_TO_QT_DESIGNER)
    get_target_property(_scope_qmake Qt5::qmake IMPORTED_LOCATION)
    execute_process(COMMAND ${_scope_qmake} -query QT_INSTALL_PLUGINS
        OUTPUT_VARIABLE _scope_qt_plugins OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE _scope_qmake_result)
    if(NOT _scope_qmake_result EQUAL 0 OR NOT _scope_qt_plugins)
        message(FATAL_ERROR "qmake -query QT_INSTALL_PLUGINS failed")
    endif()
    set(SCOPE_DESIGNER_PLUGIN_DIR "${_scope_qt_plugins}/designer")
    set(SCOPE_PLUGIN_RPATH "${CMAKE_INSTALL_FULL_LIBDIR}")
else()
    set(SCOPE_DESIGNER_PLUGIN_DIR "${CMAKE_INSTALL_LIBDIR}/qt5/plugins/designer")
    set(SCOPE_PLUGIN_RPATH "$ORIGIN/../../..")
endif()
