# Finds the Irrlicht 3D engine (Debian's libirrlicht-dev ships neither a CMake
# package nor a pkg-config file).
#
# Defines Irrlicht_FOUND, Irrlicht_INCLUDE_DIR, Irrlicht_LIBRARY, Irrlicht_VERSION
# and the imported target Irrlicht::Irrlicht.

find_path(Irrlicht_INCLUDE_DIR
    NAMES irrlicht.h
    PATH_SUFFIXES irrlicht)
find_library(Irrlicht_LIBRARY NAMES Irrlicht irrlicht)

if(Irrlicht_INCLUDE_DIR AND EXISTS "${Irrlicht_INCLUDE_DIR}/IrrCompileConfig.h")
    file(STRINGS "${Irrlicht_INCLUDE_DIR}/IrrCompileConfig.h" _irr_version_line
         REGEX "^#define IRRLICHT_SDK_VERSION ")
    string(REGEX REPLACE ".*\"([0-9.]+)\".*" "\\1" Irrlicht_VERSION "${_irr_version_line}")
    unset(_irr_version_line)
endif()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Irrlicht
    REQUIRED_VARS Irrlicht_LIBRARY Irrlicht_INCLUDE_DIR
    VERSION_VAR Irrlicht_VERSION)

if(Irrlicht_FOUND AND NOT TARGET Irrlicht::Irrlicht)
    add_library(Irrlicht::Irrlicht UNKNOWN IMPORTED)
    set_target_properties(Irrlicht::Irrlicht PROPERTIES
        IMPORTED_LOCATION "${Irrlicht_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${Irrlicht_INCLUDE_DIR}")
endif()

mark_as_advanced(Irrlicht_INCLUDE_DIR Irrlicht_LIBRARY)
