# The targets keep the lower layers away from the Gui, Quick, Qml and Widgets include directories,
# but Qt's common include root still resolves "<QtGui/QColor>". This catches that form.
# Run as: cmake -DSOURCE_DIR=<repository> -P CheckLayers.cmake
set(forbidden "^[ \t]*#[ \t]*include[ \t]*<Qt(Gui|Qml|Quick|QuickControls2|Widgets)/")
set(offences "")
foreach(layer core state)
    file(GLOB_RECURSE sources "${SOURCE_DIR}/src/${layer}/*.h" "${SOURCE_DIR}/src/${layer}/*.cpp")
    foreach(source IN LISTS sources)
        file(STRINGS "${source}" hits REGEX "${forbidden}")
        foreach(hit IN LISTS hits)
            string(APPEND offences "\n  ${source}: ${hit}")
        endforeach()
    endforeach()
endforeach()
if(offences)
    message(FATAL_ERROR "src/core and src/state use Qt Core and Network only:${offences}")
endif()
