# Fails when a file includes a header of a floor above its own. Run as
#   cmake -DSOURCE_DIR=<src> -DSTAMP=<file> -P check_includes.cmake
# Floors, lowest first: platform, app; the Qt-free core of config, instruments, data (the
# measurement), export (what leaves the program as rows) and graph (the chart); sim (the
# simulator and the demonstration card); widgets (what every window uses); the windows (form_*
# of the core's folders), which reach each other and the shared services through
# widgets/form_registry.h, never through shell/; then shell; cli beside the windows, over core
# and sim.
set(core_folders "config|instruments|data|export|graph")
set(window_headers "(${core_folders})/form_[^\"]*")
set(above_core "(widgets|shell|sim|cli)/[^\"]*|${window_headers}")

# folder | what its files must not include | whose rule, for the message; the windows (form_*)
# of the core's folders are not their core: they follow the rule "windows"
set(rules
    "platform|(app|${core_folders}|sim|widgets|shell|cli)/[^\"]*|the platform layer"
    "app|(${core_folders}|sim|widgets|shell|cli)/[^\"]*|the base layer"
    "config|${above_core}|(data|export|graph)/[^\"]*|the core"
    "instruments|${above_core}|(data|export|graph)/[^\"]*|the core"
    "data|${above_core}|(instruments|export|graph)/[^\"]*|the measurement (instruments stand beside it)"
    "export|${above_core}|(instruments|graph)/[^\"]*|the outputs"
    "graph|${above_core}|instruments/[^\"]*|the chart"
    "sim|(widgets|shell|cli)/[^\"]*|${window_headers}|the simulator"
    "widgets|(shell|sim|cli)/[^\"]*|${window_headers}|the widget floor"
    "windows|(sim|shell|cli)/[^\"]*|the windows")

set(failures "")
foreach(rule IN LISTS rules)
  string(REPLACE "|" ";" parts "${rule}")
  list(POP_FRONT parts folder)
  list(POP_BACK parts floor)
  list(JOIN parts "|" forbidden)
  if(folder STREQUAL "windows")
    file(GLOB files ${SOURCE_DIR}/config/form_* ${SOURCE_DIR}/instruments/form_*
         ${SOURCE_DIR}/export/form_* ${SOURCE_DIR}/graph/form_*)
  else()
    file(GLOB files ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  endif()
  if(folder MATCHES "^(${core_folders})$")
    list(FILTER files EXCLUDE REGEX "/form_[^/]*$")
  endif()
  foreach(f IN LISTS files)
    file(STRINGS ${f} includes REGEX "^#include \"")
    foreach(line IN LISTS includes)
      if(line MATCHES "^#include \"(${forbidden})\"")
        file(RELATIVE_PATH rel ${SOURCE_DIR} ${f})
        string(APPEND failures "  ${rel}: ${line} (${floor} may not include it)\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(failures)
  message(FATAL_ERROR "Include rule broken:\n${failures}")
endif()
file(TOUCH ${STAMP})
